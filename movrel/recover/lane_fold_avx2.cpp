// Compiled with -mavx2 for this file alone (x86-64).
#include "lane_fold.h"

#if defined(__x86_64__)
#include <immintrin.h>

// As the SSE2 fold of lane_batch.cpp, on two halves at once: a vector holds
// lane k in its low 128 bits and lane k + 16 in its high 128 bits, and the
// byte transpose and the words work within each half; the halves are put
// in lane order when stored.
void fold_rows_avx2(const unsigned char* bytes, size_t count, uint16_t* rows, size_t stride) {
  for (size_t lane = 0; lane < count; lane += 32) {
    __m256i c[16];
    __m256i t[16];
    for (size_t k = 0; k < 16; ++k) {
      const auto* low = reinterpret_cast<const __m128i*>(bytes + (lane + k) * 16);
      const auto* high = reinterpret_cast<const __m128i*>(bytes + (lane + k + 16) * 16);
      c[k] = _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128(low)),
                                     _mm_loadu_si128(high), 1);
    }
    for (size_t k = 0; k < 16; k += 2) {
      t[k / 2] = _mm256_unpacklo_epi8(c[k], c[k + 1]);
      t[k / 2 + 8] = _mm256_unpackhi_epi8(c[k], c[k + 1]);
    }
    for (size_t k = 0; k < 16; k += 2) {
      c[k / 2] = _mm256_unpacklo_epi16(t[k], t[k + 1]);
      c[k / 2 + 8] = _mm256_unpackhi_epi16(t[k], t[k + 1]);
    }
    for (size_t k = 0; k < 16; k += 2) {
      t[k / 2] = _mm256_unpacklo_epi32(c[k], c[k + 1]);
      t[k / 2 + 8] = _mm256_unpackhi_epi32(c[k], c[k + 1]);
    }
    for (size_t k = 0; k < 16; k += 2) {
      c[k / 2] = _mm256_unpacklo_epi64(t[k], t[k + 1]);
      c[k / 2 + 8] = _mm256_unpackhi_epi64(t[k], t[k + 1]);
    }
    // Vector k holds byte position p, the bits of k reversed.
    __m256i b[16];
    for (size_t k = 0; k < 16; ++k) {
      b[((k & 1) << 3) | ((k & 2) << 1) | ((k & 4) >> 1) | ((k & 8) >> 3)] = c[k];
    }
    const __m256i zero = _mm256_setzero_si256();
    __m256i ended = zero;
    for (size_t p = 0; p < 16; ++p) {
      ended = _mm256_or_si256(ended, _mm256_cmpeq_epi8(b[p], zero));
      b[p] = _mm256_andnot_si256(ended, b[p]);
    }
    auto store = [&](size_t row, __m256i low, __m256i high) {
      const __m256i first = _mm256_unpacklo_epi8(low, high);  // lanes 0-7 | 16-23
      const __m256i second = _mm256_unpackhi_epi8(low, high); // lanes 8-15 | 24-31
      uint16_t* out = rows + row * stride + lane;
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(out),
                          _mm256_permute2x128_si256(first, second, 0x20));
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 16),
                          _mm256_permute2x128_si256(first, second, 0x31));
    };
    store(0, zero, _mm256_xor_si256(b[0], b[8]));
    for (size_t i = 1; i < 8; ++i) {
      const __m256i noSecond = _mm256_cmpeq_epi8(b[i + 8], zero);
      const __m256i past = _mm256_cmpeq_epi8(b[i], zero);
      const __m256i low =
          _mm256_or_si256(_mm256_andnot_si256(noSecond, b[i + 7]),
                          _mm256_and_si256(noSecond, _mm256_andnot_si256(past, b[i - 1])));
      store(i, low, _mm256_xor_si256(b[i], b[i + 8]));
    }
    for (size_t j = 0; j < 4; ++j) {
      store(8 + j, b[2 * j + 1], b[2 * j]);
    }
  }
  _mm256_zeroupper();
}
#endif
