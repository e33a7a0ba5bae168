// Keys and byte strings shared by the cipher tests.
#ifndef MOVREL_TESTS_CIPHER_TEST_DATA_H
#define MOVREL_TESTS_CIPHER_TEST_DATA_H

#include <array>
#include <cstdint>
#include <random>
#include <vector>

using Key = std::array<uint16_t, 8>;
using Bytes = std::vector<uint8_t>;

// The user key of the published IDEA test vector.
inline const Key kPublishedKey = {1, 2, 3, 4, 5, 6, 7, 8};

// Bytes of the enciphered form of length plaintext bytes: whole blocks.
inline size_t padded(int64_t length) {
  return length <= 0 ? 0 : 8 * ((static_cast<size_t>(length) + 7) / 8);
}

inline Key random_key(std::mt19937& rng) {
  Key key;
  for (auto& w : key)
    w = static_cast<uint16_t>(rng());
  return key;
}

inline Bytes random_bytes(std::mt19937& rng, size_t n) {
  Bytes b(n);
  for (auto& x : b)
    x = static_cast<uint8_t>(rng());
  return b;
}

#endif
