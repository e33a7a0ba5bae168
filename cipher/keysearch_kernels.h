// The vector kernels behind keysearch_first_match, one per instruction set,
// each in a file of its own compiled for it: call one only after
// ecb_path_available said yes. Each has the contract of
// keysearch_first_match: 32 lanes per vector on AVX-512BW, 16 on AVX2, 8 on
// NEON, one candidate per 16-bit lane, every subkey a vector of per-lane
// words.
#ifndef MOVREL_CIPHER_KEYSEARCH_KERNELS_H
#define MOVREL_CIPHER_KEYSEARCH_KERNELS_H

#include <cstddef>
#include <cstdint>

#include "keysearch.h"

size_t keysearch_avx2(const uint16_t* rows, size_t stride, size_t first, size_t count,
                      const uint16_t outer[kCandidateWords], const uint16_t check[4]);
size_t keysearch_avx512(const uint16_t* rows, size_t stride, size_t first, size_t count,
                        const uint16_t outer[kCandidateWords], const uint16_t check[4]);
size_t keysearch_neon(const uint16_t* rows, size_t stride, size_t first, size_t count,
                      const uint16_t outer[kCandidateWords], const uint16_t check[4]);

#endif
