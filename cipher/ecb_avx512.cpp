// The 32-block AVX-512BW kernel. Compiled with -mavx512f -mavx512bw for this
// file alone.
#include <immintrin.h>

#include "ecb_kernels.h"
#include "ecb_vector.h"

namespace {

struct Avx512 {
  using Vec = __m512i;

  static Vec add(Vec a, Vec b) { return _mm512_add_epi16(a, b); }
  static Vec bxor(Vec a, Vec b) { return _mm512_xor_si512(a, b); }

  // Vectors of blocks run side by side: 5 measured best here (4 to 8 tried),
  // 6 leaving more of the round in stack slots.
  static constexpr size_t kGroups = 5;

  // The subkey in every lane, subkey - 1, and the lanes where the subkey is
  // nonzero: all of them or none, found by a vector test rather than a
  // branch on the key.
  struct Subkey {
    Vec k, k_minus_1;
    __mmask32 nonzero;
  };
  static Subkey subkey(uint16_t z) {
    const Vec k = _mm512_set1_epi16(static_cast<short>(z));
    return {k, _mm512_sub_epi16(k, _mm512_set1_epi16(1)), _mm512_test_epi16_mask(k, k)};
  }

  // As idea_mul, lane by lane, with 0 standing for 65536: lo and hi are the
  // halves of a * k, and the residue is lo - hi where lo > hi, and
  // lo - (hi - 1) where lo < hi (the borrow adds 65537). A subkey 0 keeps
  // hi = a in every lane while lo = 0: that is 65536 * a, whose residue the
  // same rule gives.
  //
  // lo = hi happens only for a word 0 (lo = hi = 0): for nonzero operands it
  // would make 65537 divide the product. So one compare, lo <= hi, marks the
  // borrow lanes and the zero-word lanes together, and one masked min tells
  // them apart: with hi <= k - 1 in a borrow lane (a < 65536) and hi - 1 =
  // 0xFFFF in a zero-word lane, min(hi - 1, k - 1) is hi - 1 in the first and
  // k - 1 in the second, where lo - (k - 1) = 1 - k is 65536 * k's residue.
  // For subkey 0, k - 1 = 0xFFFF, which leaves hi - 1 in every borrow lane
  // and gives 1 for a word 0 too. Checked against idea_mul for all 2^32
  // pairs.
  //
  // Six instructions, three of them products or the compare: those share
  // one port, and a zero test of the word as well would make four.
  static Vec mul(Vec a, const Subkey& s) {
    const Vec all_ones = _mm512_set1_epi16(-1);
    const Vec lo = _mm512_mullo_epi16(a, s.k);
    const Vec hi = _mm512_mask_mulhi_epu16(a, s.nonzero, a, s.k);
    const __mmask32 borrow_or_zero = _mm512_cmple_epu16_mask(lo, hi);
    const Vec hi_minus_1 = _mm512_add_epi16(hi, all_ones);
    return _mm512_sub_epi16(lo, _mm512_mask_min_epu16(hi, borrow_or_zero, hi_minus_1, s.k_minus_1));
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
