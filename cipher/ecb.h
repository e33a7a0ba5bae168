// Whole-block electronic codebook layer under the byte-string functions.
// Internal to the cipher library: the single place where runs of blocks are
// handed to a block kernel. Besides the portable kernel there are AVX2 and
// AVX-512BW kernels on x86-64, chosen at run time from what the processor and
// the operating system support (the executable itself assumes only x86-64),
// and a NEON kernel on AArch64, whose every processor has it.
#ifndef MOVREL_CIPHER_ECB_H
#define MOVREL_CIPHER_ECB_H

#include <cstddef>
#include <cstdint>

// Runs 8 * blocks bytes from in through schedule Z into out, each 8-byte
// block by itself. Block bytes b0..b7 are the words (b0 b1) (b2 b3) (b4 b5)
// (b6 b7), each pair big-endian, in and out. out may equal in; other overlaps
// are not allowed. Reads exactly 8 * blocks bytes and writes exactly as many.
// Uses the widest kernel available; every kernel gives the same bytes.
// The vector kernels spill block words below the caller's frame: a caller
// that runs secrets through them calls scrub_stack once after its last run
// (a stack scrub per call cost a tenth of decrypting many short texts).
void idea_ecb_blocks(const uint8_t* in, uint8_t* out, size_t blocks, const uint16_t Z[52]);

// The kernels, for tests and benchmarks that must run one in particular.
enum class EcbPath { Portable, Avx2, Avx512, Neon };

inline constexpr EcbPath kEcbPaths[] = {EcbPath::Portable, EcbPath::Avx2, EcbPath::Avx512,
                                        EcbPath::Neon};

// Whether this processor and operating system can run path. Portable always.
bool ecb_path_available(EcbPath path);

// A short lower-case name: "portable", "avx2", "avx512", "neon".
const char* ecb_path_name(EcbPath path);

// The widest available path: the one idea_ecb_blocks uses.
EcbPath ecb_best_path();

// idea_ecb_blocks through path, which must be available. What is left after
// the path's whole vectors (all of a run shorter than one) goes through one
// more vector over a zero-padded copy, or, when only 1 or 2 blocks are left,
// through the portable kernel.
void idea_ecb_blocks_on(EcbPath path, const uint8_t* in, uint8_t* out, size_t blocks,
                        const uint16_t Z[52]);

#endif
