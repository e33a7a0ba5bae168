// The 16-block AVX2 kernel. Compiled with -mavx2 for this file alone.
#include <immintrin.h>

#include "ecb_kernels.h"
#include "ecb_vector.h"

namespace {

struct Avx2 {
  using Vec = __m256i;

  static Vec add(Vec a, Vec b) { return _mm256_add_epi16(a, b); }
  static Vec bxor(Vec a, Vec b) { return _mm256_xor_si256(a, b); }

  // Vectors of blocks run side by side: 6 measured best here (4 to 8 tried).
  static constexpr size_t kGroups = 6;

  // The subkey in every lane, and 1 - subkey for the zero-operand case.
  struct Subkey {
    Vec k, one_minus_k;
  };
  static Subkey subkey(uint16_t z) {
    const Vec k = _mm256_set1_epi16(static_cast<short>(z));
    return {k, _mm256_sub_epi16(_mm256_set1_epi16(1), k)};
  }

  // As idea_mul, lane by lane: lo - hi, plus 1 where it borrowed (lo < hi
  // unsigned, which is where the saturating hi - lo is nonzero: min with 1
  // gives the carry). An operand 0 gives 1 - a - b. Since lo = hi exactly when
  // an operand is 0 (for nonzero operands lo - hi = 0 would make 65537 divide
  // the product), the lane mask lo == hi selects that case.
  static Vec mul(Vec a, const Subkey& s) {
    const Vec one = _mm256_set1_epi16(1);
    Vec lo = _mm256_mullo_epi16(a, s.k);
    Vec hi = _mm256_mulhi_epu16(a, s.k);
    Vec borrow = _mm256_min_epu16(_mm256_subs_epu16(hi, lo), one);
    Vec r = _mm256_add_epi16(_mm256_sub_epi16(lo, hi), borrow);
    return _mm256_blendv_epi8(r, _mm256_sub_epi16(s.one_minus_k, a), _mm256_cmpeq_epi16(lo, hi));
  }

  // Per 128-bit lane of two blocks A, B: 32-bit element j = (A_j, B_j), each
  // word little-endian; gather_back is its inverse.
  static Vec gather() {
    return _mm256_setr_epi8(1, 0, 9, 8, 3, 2, 11, 10, 5, 4, 13, 12, 7, 6, 15, 14, //
                            1, 0, 9, 8, 3, 2, 11, 10, 5, 4, 13, 12, 7, 6, 15, 14);
  }
  static Vec gather_back() {
    return _mm256_setr_epi8(1, 0, 5, 4, 9, 8, 13, 12, 3, 2, 7, 6, 11, 10, 15, 14, //
                            1, 0, 5, 4, 9, 8, 13, 12, 3, 2, 7, 6, 11, 10, 15, 14);
  }
  static Vec load(const uint8_t* p, Vec shuffle) {
    return _mm256_shuffle_epi8(_mm256_loadu_si256(reinterpret_cast<const Vec*>(p)), shuffle);
  }
  static void store(uint8_t* p, Vec x, Vec shuffle) {
    _mm256_storeu_si256(reinterpret_cast<Vec*>(p), _mm256_shuffle_epi8(x, shuffle));
  }

  // Self-inverse: a transpose of 32-bit elements within each 128-bit lane.
  static void transpose(Vec& r0, Vec& r1, Vec& r2, Vec& r3) {
    Vec t0 = _mm256_unpacklo_epi32(r0, r1);
    Vec t1 = _mm256_unpackhi_epi32(r0, r1);
    Vec t2 = _mm256_unpacklo_epi32(r2, r3);
    Vec t3 = _mm256_unpackhi_epi32(r2, r3);
    r0 = _mm256_unpacklo_epi64(t0, t2);
    r1 = _mm256_unpackhi_epi64(t0, t2);
    r2 = _mm256_unpacklo_epi64(t1, t3);
    r3 = _mm256_unpackhi_epi64(t1, t3);
  }
};

} // namespace

size_t idea_ecb_avx2(const uint8_t* in, uint8_t* out, size_t blocks, const uint16_t Z[52]) {
  return VectorKernel<Avx2>::blocks(in, out, blocks, Z);
}
