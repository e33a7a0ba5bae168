// The IDEA block cipher: 64-bit blocks, 128-bit keys, eight rounds and an
// output transformation, on 16-bit words. Words are values, never bytes, so
// nothing here depends on the host's byte order.
//
// Arithmetic: XOR, addition modulo 2^16, and multiplication modulo 65537 in
// which the word 0 stands for 65536 (2^16 itself does not fit in a word, and
// 0 has no inverse, so the field's 65536 borrows its encoding).
//
// Key schedule layout (52 words): round r (0..7) uses [6r, 6r+5] as
// multiplier of word 1, addend of word 2, addend of word 3, multiplier of
// word 4, then the two multipliers of the mixing stage; [48, 51] form the
// output transformation. Encryption and decryption schedules share it, so one
// block function serves both directions.
//
// Every function here runs in time independent of its word values: no branch
// and no memory index depends on a key, block or operand. None allocates,
// keeps state or touches globals.
#ifndef MOVREL_CIPHER_IDEA_H
#define MOVREL_CIPHER_IDEA_H

#include <cstdint>

// a * b modulo 65537 with 0 standing for 65536; mul(0, 0) is 1.
uint16_t mul(uint16_t a, uint16_t b);

// The multiplicative inverse of x modulo 65537 (0 and 1 are their own).
uint16_t inv(uint16_t x);

// Expands the user key (word 0 most significant of the 128 bits) into the
// encryption schedule Z. Reads all of userkey before writing Z[8..51];
// userkey may be Z itself.
void en_key_idea(const uint16_t userkey[8], uint16_t Z[52]);

// Turns encryption schedule Z into the decryption schedule D. Reads all of Z
// before writing D, so D may be Z. Its 52-word staging copy is wiped.
void de_key_idea(const uint16_t Z[52], uint16_t D[52]);

// Runs one block (word 0 first) through all rounds of schedule Z, encryption
// or decryption according to the schedule. Reads all of in before writing
// out, so out may be in.
void cipher_idea(const uint16_t in[4], uint16_t out[4], const uint16_t Z[52]);

#endif
