// The 32-block AVX-512BW kernel. Compiled with -mavx512f -mavx512bw for this
// file alone; see ecb_kernels.h for the lane layout.
#include <immintrin.h>

#include "ecb_kernels.h"
#include "wipe.h"

namespace {

constexpr size_t kGroups = 4;
constexpr size_t kWidth = 32;

// One subkey in every lane, and 1 - subkey for the zero-operand case.
struct Subkey {
  __m512i k, one_minus_k;
};

// Multiplication modulo 65537 lane by lane, by the same reasoning as
// idea_mul: lo - hi, plus 1 in the lanes where lo < hi (unsigned). An operand
// 0 gives 1 - a - b. Since lo = hi exactly when an operand is 0 (for nonzero
// operands lo - hi = 0 would make 65537 divide the product), the lane mask
// lo == hi selects that case; it never overlaps the borrow mask. Both are
// lane masks, not branches.
inline __m512i mul(__m512i a, const Subkey& b) {
  const __m512i one = _mm512_set1_epi16(1);
  __m512i lo = _mm512_mullo_epi16(a, b.k);
  __m512i hi = _mm512_mulhi_epu16(a, b.k);
  __m512i d = _mm512_sub_epi16(lo, hi);
  __m512i r = _mm512_mask_add_epi16(d, _mm512_cmplt_epu16_mask(lo, hi), d, one);
  return _mm512_mask_sub_epi16(r, _mm512_cmpeq_epi16_mask(lo, hi), b.one_minus_k, a);
}

inline __m512i add(__m512i a, const Subkey& b) {
  return _mm512_add_epi16(a, b.k);
}

// Self-inverse: a transpose of 32-bit elements within each 128-bit lane.
// The all-lanes zero-masking forms are the plain unpacks; GCC 12's headers
// make the unmasked ones warn about an uninitialised placeholder.
inline void transpose(__m512i& r0, __m512i& r1, __m512i& r2, __m512i& r3) {
  const __mmask16 all32 = 0xFFFF;
  const __mmask8 all64 = 0xFF;
  __m512i t0 = _mm512_maskz_unpacklo_epi32(all32, r0, r1);
  __m512i t1 = _mm512_maskz_unpackhi_epi32(all32, r0, r1);
  __m512i t2 = _mm512_maskz_unpacklo_epi32(all32, r2, r3);
  __m512i t3 = _mm512_maskz_unpackhi_epi32(all32, r2, r3);
  r0 = _mm512_maskz_unpacklo_epi64(all64, t0, t2);
  r1 = _mm512_maskz_unpackhi_epi64(all64, t0, t2);
  r2 = _mm512_maskz_unpacklo_epi64(all64, t1, t3);
  r3 = _mm512_maskz_unpackhi_epi64(all64, t1, t3);
}

inline __m512i load(const uint8_t* p, __m512i shuffle) {
  return _mm512_shuffle_epi8(_mm512_loadu_si512(p), shuffle);
}

inline void store(uint8_t* p, __m512i x, __m512i shuffle) {
  _mm512_storeu_si512(p, _mm512_shuffle_epi8(x, shuffle));
}

// groups vectors of blocks at once, 4 * 64 bytes each. One group is a
// chain of 34 dependent multiplications of several instructions each, which
// leaves the vector units waiting on latency; independent groups fill the gaps.
template <size_t groups>
inline void run(const uint8_t* in, uint8_t* out, const Subkey K[52], __m512i gather_words,
                __m512i gather_words_back) {
  __m512i x1[groups], x2[groups], x3[groups], x4[groups];
  for (size_t g = 0; g < groups; ++g) {
    const uint8_t* src = in + g * 4 * 64;
    x1[g] = load(src, gather_words);
    x2[g] = load(src + 64, gather_words);
    x3[g] = load(src + 128, gather_words);
    x4[g] = load(src + 192, gather_words);
    transpose(x1[g], x2[g], x3[g], x4[g]);
  }
  const Subkey* k = K;
  for (int round = 0; round < 8; ++round, k += 6) {
    for (size_t g = 0; g < groups; ++g) {
      __m512i y1 = mul(x1[g], k[0]);
      __m512i y2 = add(x2[g], k[1]);
      __m512i y3 = add(x3[g], k[2]);
      __m512i y4 = mul(x4[g], k[3]);
      __m512i t2 = mul(_mm512_xor_si512(y1, y3), k[4]);
      __m512i t1 = mul(_mm512_add_epi16(t2, _mm512_xor_si512(y2, y4)), k[5]);
      t2 = _mm512_add_epi16(t1, t2);
      // The middle words change places.
      x1[g] = _mm512_xor_si512(y1, t1);
      x2[g] = _mm512_xor_si512(y3, t1);
      x3[g] = _mm512_xor_si512(y2, t2);
      x4[g] = _mm512_xor_si512(y4, t2);
    }
  }
  for (size_t g = 0; g < groups; ++g) {
    // Taking the middle words crosswise undoes the last round's exchange.
    __m512i y1 = mul(x1[g], k[0]);
    __m512i y2 = add(x3[g], k[1]);
    __m512i y3 = add(x2[g], k[2]);
    __m512i y4 = mul(x4[g], k[3]);
    transpose(y1, y2, y3, y4);
    uint8_t* dst = out + g * 4 * 64;
    store(dst, y1, gather_words_back);
    store(dst + 64, y2, gather_words_back);
    store(dst + 128, y3, gather_words_back);
    store(dst + 192, y4, gather_words_back);
  }
}

} // namespace

size_t idea_ecb_avx512(const uint8_t* in, uint8_t* out, size_t blocks, const uint16_t Z[52]) {
  // Per 128-bit lane of two blocks A, B: 32-bit element j = (A_j, B_j), each
  // word little-endian; gather_words_back is its inverse. Byte indices
  // (1, 0, 9, 8), (3, 2, 11, 10), (5, 4, 13, 12), (7, 6, 15, 14) and back
  // (1, 0, 5, 4), (9, 8, 13, 12), (3, 2, 7, 6), (11, 10, 15, 14), packed
  // little-endian into 32-bit elements, highest first.
  const __m512i gather_words = _mm512_set4_epi32(0x0E0F0607, 0x0C0D0405, 0x0A0B0203, 0x08090001);
  const __m512i gather_words_back =
      _mm512_set4_epi32(0x0E0F0A0B, 0x06070203, 0x0C0D0809, 0x04050001);
  const __m512i one = _mm512_set1_epi16(1);
  Subkey K[52];
  for (int i = 0; i < 52; ++i) {
    K[i].k = _mm512_set1_epi16(static_cast<short>(Z[i]));
    K[i].one_minus_k = _mm512_sub_epi16(one, K[i].k);
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
