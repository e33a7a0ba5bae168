// The 32-lane AVX-512BW candidate kernel. Compiled with -mavx512f -mavx512bw
// for this file alone.
#include <immintrin.h>

#include "keysearch_kernels.h"
#include "keysearch_vector.h"

namespace {

struct Avx512 {
  using Vec = __m512i;

  // Vectors of candidates run side by side: 4 measured best here (2 to 8
  // tried on the development machine), 5 and 6 within a few percent.
  static constexpr size_t kGroups = 4;
  static constexpr size_t kBitsPerLane = 1;

  static Vec load(const uint16_t* p) { return _mm512_loadu_si512(p); }
  static Vec set1(uint16_t w) { return _mm512_set1_epi16(static_cast<short>(w)); }
  static Vec add(Vec a, Vec b) { return _mm512_add_epi16(a, b); }
  static Vec bxor(Vec a, Vec b) { return _mm512_xor_si512(a, b); }
  static Vec bor(Vec a, Vec b) { return _mm512_or_si512(a, b); }
  template <int s> static Vec shl(Vec a) { return _mm512_slli_epi16(a, s); }
  template <int s> static Vec shr(Vec a) { return _mm512_srli_epi16(a, s); }

  // As idea_mul, lane by lane, with 0 standing for 65536. lo and hi are the
  // halves of a * b, except that hi is a where b is 0 (lo is then 0, and
  // 65536 * a has the same residue as lo - hi + 1 = 1 - a). For nonzero
  // operands the residue is lo - hi where lo > hi and lo - (hi - 1) where
  // lo < hi; lo = hi happens only with a word 0 (65537 would divide the
  // product otherwise). One compare, lo <= hi, marks the borrow lanes and the
  // zero lanes together, and a masked min tells them apart: hi <= b - 1 in a
  // borrow lane, so min(hi - 1, b - 1) is hi - 1 there, while a lane with
  // a = 0 has hi - 1 = 0xFFFF and takes b - 1, giving lo - (b - 1) = 1 - b.
  // b = 0 makes b - 1 = 0xFFFF, so the min is hi - 1 = a - 1: 1 - a, and 1
  // for a = b = 0.
  static Vec mul(Vec a, Vec b) {
    const Vec all_ones = _mm512_set1_epi16(-1);
    const __mmask32 nonzero = _mm512_test_epi16_mask(b, b);
    const Vec lo = _mm512_mullo_epi16(a, b);
    const Vec hi = _mm512_mask_mulhi_epu16(a, nonzero, a, b);
    const __mmask32 borrow_or_zero = _mm512_cmple_epu16_mask(lo, hi);
    const Vec hi_minus_1 = _mm512_add_epi16(hi, all_ones);
    const Vec b_minus_1 = _mm512_add_epi16(b, all_ones);
    return _mm512_sub_epi16(lo, _mm512_mask_min_epu16(hi, borrow_or_zero, hi_minus_1, b_minus_1));
  }

  static uint64_t match(Vec a, Vec b, Vec wa, Vec wb) {
    return _mm512_mask_cmpeq_epi16_mask(_mm512_cmpeq_epi16_mask(a, wa), b, wb);
  }
};

} // namespace

size_t keysearch_avx512(const uint16_t* rows, size_t stride, size_t first, size_t count,
                        const uint16_t outer[kCandidateWords], const uint16_t check[4]) {
  return KeySearchKernel<Avx512>::first_match(rows, stride, first, count, outer, check);
}
