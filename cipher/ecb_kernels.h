// The vector kernels behind idea_ecb_blocks. Each is defined in a file of its
// own compiled for its instruction set, so no other code of the library gets
// those instructions; call one only after ecb_path_available said yes.
//
// Each runs the largest multiple of its width (16 blocks for AVX2, 32 for
// AVX-512BW, 8 for NEON) out of blocks, with the contract of idea_ecb_blocks, and returns
// how many blocks it ran; the caller finishes the rest.
//
// Lane layout, shared by all: a run of blocks is loaded as 16-byte (NEON),
// 32-byte (AVX2) or 64-byte (AVX-512) rows, two blocks per 128-bit lane.
// A byte shuffle within each 128-bit lane swaps the bytes of every word (the
// words are big-endian) and gathers word j of the lane's two blocks into
// 32-bit element j. A 4 x 4 transpose of 32-bit elements across the four
// rows, again within each 128-bit lane, then leaves row j holding word j of
// every block: one block per 16-bit lane, in an order that the same transpose
// and the inverse shuffle undo on the way out.
//
// Constant time: every subkey is a multiplier or addend broadcast to all
// lanes; the zero-operand cases of the multiplication are selected with lane
// masks. The only branches are on the block count.
#ifndef MOVREL_CIPHER_ECB_KERNELS_H
#define MOVREL_CIPHER_ECB_KERNELS_H

#include <cstddef>
#include <cstdint>

size_t idea_ecb_avx2(const uint8_t* in, uint8_t* out, size_t blocks, const uint16_t Z[52]);
size_t idea_ecb_avx512(const uint8_t* in, uint8_t* out, size_t blocks, const uint16_t Z[52]);
size_t idea_ecb_neon(const uint8_t* in, uint8_t* out, size_t blocks, const uint16_t Z[52]);

#endif
