// The 16-block AVX2 kernel. Compiled with -mavx2 for this file alone; see
// ecb_kernels.h for the lane layout.
#include <immintrin.h>

#include "ecb_kernels.h"
#include "wipe.h"

namespace {

constexpr size_t kGroups = 4;
constexpr size_t kWidth = 16;

// One subkey in every lane, and 1 - subkey for the zero-operand case.
struct Subkey {
  __m256i k, one_minus_k;
};

// Multiplication modulo 65537 lane by lane, by the same reasoning as
// idea_mul: lo - hi, plus 1 where it borrowed (lo < hi unsigned, which is
// where the saturating hi - lo is nonzero: min with 1 gives the carry). An
// operand 0 gives 1 - a - b. Since lo = hi exactly when an operand is 0 (for
// nonzero operands lo - hi = 0 would make 65537 divide the product), the lane
// mask lo == hi selects that case without testing the operands themselves.
inline __m256i mul(__m256i a, const Subkey& b) {
  const __m256i one = _mm256_set1_epi16(1);
  __m256i lo = _mm256_mullo_epi16(a, b.k);
  __m256i hi = _mm256_mulhi_epu16(a, b.k);
  __m256i borrow = _mm256_min_epu16(_mm256_subs_epu16(hi, lo), one);
  __m256i r = _mm256_add_epi16(_mm256_sub_epi16(lo, hi), borrow);
  return _mm256_blendv_epi8(r, _mm256_sub_epi16(b.one_minus_k, a), _mm256_cmpeq_epi16(lo, hi));
}

inline __m256i add(__m256i a, const Subkey& b) {
  return _mm256_add_epi16(a, b.k);
}

inline __m256i load(const uint8_t* p, __m256i shuffle) {
  return _mm256_shuffle_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)), shuffle);
}

inline void store(uint8_t* p, __m256i x, __m256i shuffle) {
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), _mm256_shuffle_epi8(x, shuffle));
}

// Self-inverse: a transpose of 32-bit elements within each 128-bit lane.
inline void transpose(__m256i& r0, __m256i& r1, __m256i& r2, __m256i& r3) {
  __m256i t0 = _mm256_unpacklo_epi32(r0, r1);
  __m256i t1 = _mm256_unpackhi_epi32(r0, r1);
  __m256i t2 = _mm256_unpacklo_epi32(r2, r3);
  __m256i t3 = _mm256_unpackhi_epi32(r2, r3);
  r0 = _mm256_unpacklo_epi64(t0, t2);
  r1 = _mm256_unpackhi_epi64(t0, t2);
  r2 = _mm256_unpacklo_epi64(t1, t3);
  r3 = _mm256_unpackhi_epi64(t1, t3);
}

// groups vectors of blocks at once, 4 * 32 bytes each. One group is a
// chain of 34 dependent multiplications of several instructions each, which
// leaves the vector units waiting on latency; independent groups fill the gaps.
template <size_t groups>
inline void run(const uint8_t* in, uint8_t* out, const Subkey K[52], __m256i gather_words,
                __m256i gather_words_back) {
  __m256i x1[groups], x2[groups], x3[groups], x4[groups];
  for (size_t g = 0; g < groups; ++g) {
    const uint8_t* src = in + g * 4 * 32;
    x1[g] = load(src, gather_words);
    x2[g] = load(src + 32, gather_words);
    x3[g] = load(src + 64, gather_words);
    x4[g] = load(src + 96, gather_words);
    transpose(x1[g], x2[g], x3[g], x4[g]);
  }
  const Subkey* k = K;
  for (int round = 0; round < 8; ++round, k += 6) {
    for (size_t g = 0; g < groups; ++g) {
      __m256i y1 = mul(x1[g], k[0]);
      __m256i y2 = add(x2[g], k[1]);
      __m256i y3 = add(x3[g], k[2]);
      __m256i y4 = mul(x4[g], k[3]);
      __m256i t2 = mul(_mm256_xor_si256(y1, y3), k[4]);
      __m256i t1 = mul(_mm256_add_epi16(t2, _mm256_xor_si256(y2, y4)), k[5]);
      t2 = _mm256_add_epi16(t1, t2);
      // The middle words change places.
      x1[g] = _mm256_xor_si256(y1, t1);
      x2[g] = _mm256_xor_si256(y3, t1);
      x3[g] = _mm256_xor_si256(y2, t2);
      x4[g] = _mm256_xor_si256(y4, t2);
    }
  }
  for (size_t g = 0; g < groups; ++g) {
    // Taking the middle words crosswise undoes the last round's exchange.
    __m256i y1 = mul(x1[g], k[0]);
    __m256i y2 = add(x3[g], k[1]);
    __m256i y3 = add(x2[g], k[2]);
    __m256i y4 = mul(x4[g], k[3]);
    transpose(y1, y2, y3, y4);
    uint8_t* dst = out + g * 4 * 32;
    store(dst, y1, gather_words_back);
    store(dst + 32, y2, gather_words_back);
    store(dst + 64, y3, gather_words_back);
    store(dst + 96, y4, gather_words_back);
  }
}

} // namespace

size_t idea_ecb_avx2(const uint8_t* in, uint8_t* out, size_t blocks, const uint16_t Z[52]) {
  // Per 128-bit lane of two blocks A, B: 32-bit element j = (A_j, B_j), each
  // word little-endian; gather_words_back is its inverse.
  const __m256i gather_words =
      _mm256_setr_epi8(1, 0, 9, 8, 3, 2, 11, 10, 5, 4, 13, 12, 7, 6, 15, 14, //
                       1, 0, 9, 8, 3, 2, 11, 10, 5, 4, 13, 12, 7, 6, 15, 14);
  const __m256i gather_words_back =
      _mm256_setr_epi8(1, 0, 5, 4, 9, 8, 13, 12, 3, 2, 7, 6, 11, 10, 15, 14, //
                       1, 0, 5, 4, 9, 8, 13, 12, 3, 2, 7, 6, 11, 10, 15, 14);
  const __m256i one = _mm256_set1_epi16(1);
  Subkey K[52];
  for (int i = 0; i < 52; ++i) {
    K[i].k = _mm256_set1_epi16(static_cast<short>(Z[i]));
    K[i].one_minus_k = _mm256_sub_epi16(one, K[i].k);
  }
  size_t done = 0;
  for (; blocks - done >= kGroups * kWidth; done += kGroups * kWidth) {
    run<kGroups>(in + 8 * done, out + 8 * done, K, gather_words, gather_words_back);
  }
  for (; blocks - done >= kWidth; done += kWidth) {
    run<1>(in + 8 * done, out + 8 * done, K, gather_words, gather_words_back);
  }
  // The broadcast subkeys are key material. Block words live only in vector
  // registers (and any spill slots the compiler chose), which C++ cannot
  // reach to clear.
  secure_wipe(K, sizeof K);
  return done;
}
