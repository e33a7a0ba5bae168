// Testing a password against a category's check value.
#ifndef MOVREL_APP_PASSWORD_CHECK_H
#define MOVREL_APP_PASSWORD_CHECK_H

#include <cstdint>

// Folds password (already upper-cased; only its first 16 bytes count) into
// key and tells whether it opens a category whose stored check value is the
// 8 bytes at check. The check value is the encryption, under that key, of the
// password's first 8 bytes padded with zeros. key is written either way and
// belongs to the caller, who wipes it; every other copy made here is wiped.
// The comparison takes the same time wherever the bytes differ.
bool password_opens(const char* password, const uint8_t check[8], uint16_t key[8]);

#endif
