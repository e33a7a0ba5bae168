#include "keysearch.h"

#include "idea.h"
#include "keysearch_kernels.h"
#include "userkey.h"
#include "wipe.h"

namespace {

// One candidate at a time through the library's own key schedule and block
// function: the reference every vector path must equal, and the path of
// processors without one.
size_t portable_first_match(const uint16_t* rows, size_t stride, size_t first, size_t count,
                            const uint16_t outer[kCandidateWords], const uint16_t check[4]) {
  uint16_t key[8], block[4], Z[52];
  size_t lane = 0;
  for (; lane < count; ++lane) {
    const uint16_t* words = rows + first + lane;
    for (size_t w = 0; w < 8; ++w) {
      key[w] = static_cast<uint16_t>(words[w * stride] ^ outer[w]);
    }
    for (size_t j = 0; j < 4; ++j) {
      block[j] = static_cast<uint16_t>(words[(8 + j) * stride] ^ outer[8 + j]);
    }
    en_key_idea(key, Z);
    cipher_idea(block, block, Z);
    if (block[1] == check[1] && block[2] == check[2]) {
      break;
    }
  }
  // The last key tried may be the one sought.
  secure_wipe(key, sizeof key);
  secure_wipe(block, sizeof block);
  secure_wipe(Z, sizeof Z);
  return lane;
}

} // namespace

void candidate_words(const unsigned char* chars, size_t n, uint16_t words[kCandidateWords]) {
  fold_password(words, chars, n);
  for (size_t j = 0; j < 4; ++j) {
    const unsigned hi = 2 * j < n ? chars[2 * j] : 0;
    const unsigned lo = 2 * j + 1 < n ? chars[2 * j + 1] : 0;
    words[8 + j] = static_cast<uint16_t>((hi << 8) | lo);
  }
}

void check_words(const uint8_t check[8], uint16_t words[4]) {
  for (size_t j = 0; j < 4; ++j) {
    words[j] = static_cast<uint16_t>((check[2 * j] << 8) | check[2 * j + 1]);
  }
}

size_t keysearch_first_match(EcbPath path, const uint16_t* rows, size_t stride, size_t first,
                             size_t count, const uint16_t outer[kCandidateWords],
                             const uint16_t check[4]) {
#if MOVREL_X86_KERNELS
  if (path == EcbPath::Avx512) {
    return keysearch_avx512(rows, stride, first, count, outer, check);
  }
  if (path == EcbPath::Avx2) {
    return keysearch_avx2(rows, stride, first, count, outer, check);
  }
#elif MOVREL_NEON_KERNELS
  if (path == EcbPath::Neon) {
    return keysearch_neon(rows, stride, first, count, outer, check);
  }
#else
  (void)path;
#endif
  return portable_first_match(rows, stride, first, count, outer, check);
}
