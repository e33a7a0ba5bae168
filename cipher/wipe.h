// Erasing secrets (passwords, user keys, key schedules, decrypted text).
#ifndef MOVREL_CIPHER_WIPE_H
#define MOVREL_CIPHER_WIPE_H

#include <cstddef>

// Sets n bytes at p to zero in a way the optimiser may not drop, even when the
// storage is about to be released or go out of scope. p may be null when n is 0.
void secure_wipe(void* p, size_t n);

// Zeroes kScrubbedStackBytes of the stack below the caller's frame: where a
// function it called, and that has returned, kept its locals and the
// compiler's spill slots. The vector kernels spill block words there, which
// no name reaches. Call it right after such a call returns.
constexpr size_t kScrubbedStackBytes = 16384;
void scrub_stack();

// Zeroes the vector registers the processor has (xmm, ymm or zmm 0-31 and the
// AVX-512 lane masks; v0-v31 on AArch64). Block words, subkeys and copied text stay in them after
// the code that used them, and a later save of the register state (a lazy
// symbol lookup in a shared library, a signal frame) would copy them to the
// stack. Async-signal-safe.
void scrub_vector_registers();

#endif
