// Whole-block electronic codebook layer under the byte-string functions.
// Internal to the cipher library: the single place where runs of blocks are
// handed to a block kernel, so that wider kernels can be chosen here later
// without the callers changing.
#ifndef MOVREL_CIPHER_ECB_H
#define MOVREL_CIPHER_ECB_H

#include <cstddef>
#include <cstdint>

// Runs 8 * blocks bytes from in through schedule Z into out, each 8-byte
// block by itself. Block bytes b0..b7 are the words (b0 b1) (b2 b3) (b4 b5)
// (b6 b7), each pair big-endian, in and out. out may equal in; other overlaps
// are not allowed. Reads exactly 8 * blocks bytes and writes exactly as many.
void idea_ecb_blocks(const uint8_t* in, uint8_t* out, size_t blocks, const uint16_t Z[52]);

#endif
