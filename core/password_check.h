// Testing a password against a category's check value.
#ifndef MOVREL_CORE_PASSWORD_CHECK_H
#define MOVREL_CORE_PASSWORD_CHECK_H

#include <cstdint>

// Folds password (already upper-cased; only its first 16 bytes count) into
// key and tells whether it opens a category whose stored check value is the
// 8 bytes at check. The check value is the encryption, under that key, of the
// password's first 8 bytes padded with zeros. key is written either way and
// belongs to the caller, who wipes it; every other copy made here is wiped.
// The comparison takes the same time wherever the bytes differ.
bool password_opens(const char* password, const uint8_t check[8], uint16_t key[8]);

// Everything a password opens categories with, made once for a run: every
// category of a file is opened by the same password, so neither the check
// value nor the decryption schedule depends on the category. A secret: the
// owner wipes it.
struct PasswordKey {
  uint16_t userKey[8];
  uint8_t check[8];      // the check value a category this password opens holds
  uint16_t schedule[52]; // decryption schedule of userKey
};

// Makes key for password (as password_opens takes it).
void make_password_key(const char* password, PasswordKey& key);

// Whether a category whose stored check value is the 8 bytes at check opens
// with key, in time independent of where the bytes differ.
bool key_opens(const PasswordKey& key, const uint8_t check[8]);

#endif
