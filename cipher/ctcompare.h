// Comparing secret-derived bytes, such as a check block against a stored
// check value, in time independent of where they differ.
#ifndef MOVREL_CIPHER_CTCOMPARE_H
#define MOVREL_CIPHER_CTCOMPARE_H

#include <cstddef>
#include <cstdint>

// Whether the n bytes at a equal the n bytes at b. Reads all n bytes of both
// whatever they hold: no early exit and no branch on their values (n itself
// is public). True for n = 0.
bool same_bytes_ct(const uint8_t* a, const uint8_t* b, size_t n);

#endif
