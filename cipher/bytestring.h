// Byte strings under IDEA in electronic codebook mode: each 8-byte block is
// enciphered by itself under one schedule, with no IV, chaining, length field
// or integrity check. A short last block is completed with zero bytes.
// Bytes b0..b7 of a block are the words (b0 b1) (b2 b3) (b4 b5) (b6 b7), each
// pair big-endian. length is a signed count of plaintext bytes; 0 or less
// reads and writes nothing. out may equal in; other overlaps are not allowed.
// The key schedules and partial blocks used inside are wiped before return.
#ifndef MOVREL_CIPHER_BYTESTRING_H
#define MOVREL_CIPHER_BYTESTRING_H

#include <cstddef>
#include <cstdint>

#include "ecb.h"

// Encrypts length bytes of in under the 8-word user key; reads exactly length
// bytes and writes 8 * ceil(length / 8) bytes to out.
void cipher_string(const uint8_t* in, uint8_t* out, const uint16_t key[8], int32_t length);

// Decrypts 8 * ceil(length / 8) bytes of in under the 8-word user key and
// writes exactly length bytes to out; the rest of the last block is dropped
// unread and unwritten.
void decipher_string(const uint8_t* in, uint8_t* out, const uint16_t key[8], int32_t length);

// Many strings under one user key, without a schedule per string:
// decipher_schedule makes the decryption schedule D of key (the caller keeps
// it and wipes it), and decipher_blocks decrypts blocks whole 8-byte blocks
// of in to out through it, in the block layout above; out may equal in.
// decipher_blocks leaves the kernels' spill slots on the stack: call
// scrub_stack after the last of a run of calls.
void decipher_schedule(const uint16_t key[8], uint16_t D[52]);
void decipher_blocks(const uint8_t* in, uint8_t* out, size_t blocks, const uint16_t D[52]);

// cipher_string and decipher_string with the whole blocks run through a
// chosen ECB path (which must be available) instead of the widest one: for
// tests and benchmarks. Results are identical on every path.
void cipher_string_on(EcbPath path, const uint8_t* in, uint8_t* out, const uint16_t key[8],
                      int32_t length);
void decipher_string_on(EcbPath path, const uint8_t* in, uint8_t* out, const uint16_t key[8],
                        int32_t length);

#endif
