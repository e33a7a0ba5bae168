// The 32-block AVX-512BW kernel. Compiled with -mavx512f -mavx512bw for this
// file alone.
#include <immintrin.h>

#include "ecb_kernels.h"
#include "ecb_vector.h"

namespace {

struct Avx512 {
  using Vec = __m512i;

  static Vec set1(uint16_t w) { return _mm512_set1_epi16(static_cast<short>(w)); }
  static Vec add(Vec a, Vec b) { return _mm512_add_epi16(a, b); }
  static Vec sub(Vec a, Vec b) { return _mm512_sub_epi16(a, b); }
  static Vec bxor(Vec a, Vec b) { return _mm512_xor_si512(a, b); }

  // As idea_mul, lane by lane. Where both operands are nonzero ("live"
  // lanes) lo and hi are the halves of the full product a * k, and lo - hi,
  // plus 1 where lo < hi (unsigned), is its residue. Everywhere else the
  // result is 1 - a - k (0 stands for 65536 = -1), which the merge sources
  // give with no further instruction: lo keeps 1 - k, hi keeps a, and the
  // borrow compare is confined to live lanes, so lo - hi = 1 - k - a. The key
  // test is alike in every lane (k is broadcast): it keeps all lanes or none,
  // and nothing branches. Folding the zero case into the merge sources saves
  // the separate select that would otherwise follow every product.
  static Vec mul(Vec a, Vec k, Vec one_minus_k) {
    const Vec one = _mm512_set1_epi16(1);
    const __mmask32 live = _mm512_mask_test_epi16_mask(_mm512_test_epi16_mask(k, k), a, a);
    Vec lo = _mm512_mask_mullo_epi16(one_minus_k, live, a, k);
    Vec hi = _mm512_mask_mulhi_epu16(a, live, a, k);
    Vec d = _mm512_sub_epi16(lo, hi);
    return _mm512_mask_add_epi16(d, _mm512_mask_cmplt_epu16_mask(live, lo, hi), d, one);
  }

  // Per 128-bit lane of two blocks A, B: 32-bit element j = (A_j, B_j), each
  // word little-endian; gather_back is its inverse. Byte indices (1, 0, 9, 8),
  // (3, 2, 11, 10), (5, 4, 13, 12), (7, 6, 15, 14) and back (1, 0, 5, 4),
  // (9, 8, 13, 12), (3, 2, 7, 6), (11, 10, 15, 14), packed little-endian into
  // 32-bit elements, highest first.
  static Vec gather() { return _mm512_set4_epi32(0x0E0F0607, 0x0C0D0405, 0x0A0B0203, 0x08090001); }
  static Vec gather_back() {
    return _mm512_set4_epi32(0x0E0F0A0B, 0x06070203, 0x0C0D0809, 0x04050001);
  }
  static Vec load(const uint8_t* p, Vec shuffle) {
    return _mm512_shuffle_epi8(_mm512_loadu_si512(p), shuffle);
  }
  static void store(uint8_t* p, Vec x, Vec shuffle) {
    _mm512_storeu_si512(p, _mm512_shuffle_epi8(x, shuffle));
  }

  // Self-inverse: a transpose of 32-bit elements within each 128-bit lane.
  // The all-lanes zero-masking forms are the plain unpacks; GCC 12's headers
  // make the unmasked ones warn about an uninitialised placeholder.
  static void transpose(Vec& r0, Vec& r1, Vec& r2, Vec& r3) {
    const __mmask16 all32 = 0xFFFF;
    const __mmask8 all64 = 0xFF;
    Vec t0 = _mm512_maskz_unpacklo_epi32(all32, r0, r1);
    Vec t1 = _mm512_maskz_unpackhi_epi32(all32, r0, r1);
    Vec t2 = _mm512_maskz_unpacklo_epi32(all32, r2, r3);
    Vec t3 = _mm512_maskz_unpackhi_epi32(all32, r2, r3);
    r0 = _mm512_maskz_unpacklo_epi64(all64, t0, t2);
    r1 = _mm512_maskz_unpackhi_epi64(all64, t0, t2);
    r2 = _mm512_maskz_unpacklo_epi64(all64, t1, t3);
    r3 = _mm512_maskz_unpackhi_epi64(all64, t1, t3);
  }
};

} // namespace

size_t idea_ecb_avx512(const uint8_t* in, uint8_t* out, size_t blocks, const uint16_t Z[52]) {
  return VectorKernel<Avx512>::blocks(in, out, blocks, Z);
}
