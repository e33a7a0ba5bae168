// The 16-lane AVX2 candidate kernel. Compiled with -mavx2 for this file alone.
#include <immintrin.h>

#include "keysearch_kernels.h"
#include "keysearch_vector.h"

namespace {

struct Avx2 {
  using Vec = __m256i;

  // Vectors of candidates run side by side: 4 measured best here (2 to 6
  // tried on the development machine).
  static constexpr size_t kGroups = 4;
  static constexpr size_t kBitsPerLane = 2; // movemask gives one bit per byte

  static Vec load(const uint16_t* p) { return _mm256_loadu_si256(reinterpret_cast<const Vec*>(p)); }
  static Vec set1(uint16_t w) { return _mm256_set1_epi16(static_cast<short>(w)); }
  static Vec add(Vec a, Vec b) { return _mm256_add_epi16(a, b); }
  static Vec bxor(Vec a, Vec b) { return _mm256_xor_si256(a, b); }
  static Vec bor(Vec a, Vec b) { return _mm256_or_si256(a, b); }
  template <int s> static Vec shl(Vec a) { return _mm256_slli_epi16(a, s); }
  template <int s> static Vec shr(Vec a) { return _mm256_srli_epi16(a, s); }

  // As idea_mul, lane by lane: lo - hi, plus 1 where it borrowed (lo < hi
  // unsigned, which is where the saturating hi - lo is nonzero: min with 1
  // gives the carry). An operand 0 gives 1 - a - b; lo = hi exactly then (for
  // nonzero operands lo - hi = 0 would make 65537 divide the product), so the
  // lane mask lo == hi selects that case.
  static Vec mul(Vec a, Vec b) {
    const Vec one = _mm256_set1_epi16(1);
    const Vec lo = _mm256_mullo_epi16(a, b);
    const Vec hi = _mm256_mulhi_epu16(a, b);
    const Vec borrow = _mm256_min_epu16(_mm256_subs_epu16(hi, lo), one);
    const Vec r = _mm256_add_epi16(_mm256_sub_epi16(lo, hi), borrow);
    const Vec zero_case = _mm256_sub_epi16(_mm256_sub_epi16(one, a), b);
    return _mm256_blendv_epi8(r, zero_case, _mm256_cmpeq_epi16(lo, hi));
  }

  static uint64_t match(Vec a, Vec b, Vec wa, Vec wb) {
    const Vec both = _mm256_and_si256(_mm256_cmpeq_epi16(a, wa), _mm256_cmpeq_epi16(b, wb));
    return static_cast<uint32_t>(_mm256_movemask_epi8(both));
  }
};

} // namespace

size_t keysearch_avx2(const uint16_t* rows, size_t stride, size_t first, size_t count,
                      const uint16_t outer[kCandidateWords], const uint16_t check[4]) {
  return KeySearchKernel<Avx2>::first_match(rows, stride, first, count, outer, check);
}
