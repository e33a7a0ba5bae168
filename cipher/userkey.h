// Folding a typed password into a 128-bit IDEA user key.
#ifndef MOVREL_CIPHER_USERKEY_H
#define MOVREL_CIPHER_USERKEY_H

#include <cstddef>
#include <cstdint>

// Sets all 8 words of key from the first 16 bytes of text, stopping at its
// NUL; reads at most 16 bytes, so a 16-byte buffer without NUL is safe. Bytes
// count as unsigned 1..255 and are not case-folded here.
//
// With c0..c(n-1) the n characters used and (h, l) a word of high byte h and
// low byte l: characters 0..7 give key[0] = (c0, 0) and key[i] = (ci, c(i-1))
// for i < n, other words 0; characters 8..15 then make key[0] = (c0^c8, 0)
// and key[i] = (ci^c(i+8), c(i+7)) for i <= n - 9.
//
// Finding the NUL is the only step whose course depends on the text, and it
// reveals only the length; the folding itself is fold_password.
void getuserkeyfromargv(uint16_t key[8], const char* text);

// The folding of getuserkeyfromargv for a text of n characters (n <= 16, no
// NUL among chars[0..n-1]): reads exactly chars[0..n-1] and writes all of
// key. Branches on n only, never on a character.
void fold_password(uint16_t key[8], const unsigned char* chars, size_t n);

#endif
