// Testing many password candidates at once against one check value.
//
// A category's check value is the encryption of the password's first 8 bytes
// (zero-padded) under the key folded from its first 16 bytes. So a candidate
// costs one folding, one encryption key schedule and one block: no decryption
// schedule. Candidates are guesses, not secrets, so nothing here runs in
// constant time; the kernels compare outside the cipher's rounds.
//
// Lane rows: a candidate is 12 words, its 8 user-key words (as fold_password
// gives them) and the 4 words of its check block's plaintext. A set of
// candidates is stored by word: word w of lane i is rows[w * stride + i].
// Folding and block packing are linear in the bytes for a fixed length, so a
// caller can keep the words that vary in rows and XOR the rest in as outer.
#ifndef MOVREL_CIPHER_KEYSEARCH_H
#define MOVREL_CIPHER_KEYSEARCH_H

#include <cstddef>
#include <cstdint>

#include "ecb.h"

// Words per candidate: user key 0..7, then plaintext block 0..3.
constexpr size_t kCandidateWords = 12;

// Lanes past first + count that a kernel may read (and ignore): the widest
// vector's lanes. Rows must hold that many more readable words.
constexpr size_t kKeySearchSlackLanes = 32;

// The 12 words of a candidate of n bytes (n <= 16): its folded user key and
// its first 8 bytes, zero-padded, as 4 big-endian words. A password holds no
// zero byte; one here counts as the byte 0, which keeps the words linear in
// the bytes for a given n (the holes of a mask).
void candidate_words(const unsigned char* chars, size_t n, uint16_t words[kCandidateWords]);

// The check value's 8 bytes as the 4 words an encryption yields.
void check_words(const uint8_t check[8], uint16_t words[4]);

// Lanes first .. first + count - 1 of rows, each XOR-ed with outer, go through
// the key schedule and one block. Returns the offset from first of the
// lowest lane whose block's words 1 and 2 equal check's, or count when none
// does. Words 0 and 3 are not compared (they cost two more multiplications
// per candidate): a reported lane matches on 32 bits and must be confirmed.
// path must be available (ecb_path_available); every path gives the same
// result.
size_t keysearch_first_match(EcbPath path, const uint16_t* rows, size_t stride, size_t first,
                             size_t count, const uint16_t outer[kCandidateWords],
                             const uint16_t check[4]);

#endif
