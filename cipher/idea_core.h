// Inline core of IDEA shared by the single-block function and the multi-block
// kernel, so that each sees whole rounds with the block words in registers.
// Internal to the cipher library.
#ifndef MOVREL_CIPHER_IDEA_CORE_H
#define MOVREL_CIPHER_IDEA_CORE_H

#include <cstddef>
#include <cstdint>

// Multiplication modulo 65537 = 2^16 + 1, constant time.
//
// For a, b nonzero, p = a*b = hi*2^16 + lo and 2^16 = -1 (mod 65537), so
// p = lo - hi (mod 65537). lo - hi lies in (-65536, 65536); a negative value
// is fixed by adding 65537, which modulo 2^16 is adding 1. The sign of the
// 32-bit difference is its top bit, so the borrow is added without a jump.
// The case lo - hi = 0 cannot arise for nonzero operands, because 65537 is
// prime and divides neither factor.
//
// With an operand 0 (= 65536 = -1), the product is the negation of the other
// factor: -b = 65537 - b = 1 - b (mod 2^16), and symmetric for b. Since the
// other operand is 0 in that case, both cases (and 0*0 = 1) equal 1 - a - b.
// The zero test is the top bit of (a - 1) | (b - 1) in 32 bits, spread into a
// mask that selects between the two results.
static inline uint16_t idea_mul(uint16_t a, uint16_t b) {
  uint32_t A = a, B = b;
  uint32_t p = A * B;
  uint32_t d = (p & 0xFFFFu) - (p >> 16);
  uint32_t r = d + (d >> 31);
  uint32_t z = 0u - (((A - 1u) | (B - 1u)) >> 31);
  uint32_t e = 1u - A - B;
  return static_cast<uint16_t>(r ^ (z & (r ^ e)));
}

// Blocks side by side: word j of block i in x[j][i], transformed in place
// through all rounds of schedule Z. With n > 1 the compiler can interleave
// the independent chains of multiplications or put the lanes in vector
// registers; the operations stay those of one block. The round count and n
// are public.
template <size_t n> inline void idea_rounds(uint16_t (&x)[4][n], const uint16_t Z[52]) {
  const uint16_t* k = Z;
  for (int round = 0; round < 8; ++round, k += 6) {
    for (size_t i = 0; i < n; ++i) {
      uint16_t x1 = idea_mul(x[0][i], k[0]);
      uint16_t x2 = static_cast<uint16_t>(x[1][i] + k[1]);
      uint16_t x3 = static_cast<uint16_t>(x[2][i] + k[2]);
      uint16_t x4 = idea_mul(x[3][i], k[3]);
      uint16_t t2 = idea_mul(x1 ^ x3, k[4]);
      uint16_t t1 = idea_mul(static_cast<uint16_t>(t2 + (x2 ^ x4)), k[5]);
      t2 = static_cast<uint16_t>(t1 + t2);
      // The middle words change places.
      x[0][i] = x1 ^ t1;
      x[1][i] = x3 ^ t1;
      x[2][i] = x2 ^ t2;
      x[3][i] = x4 ^ t2;
    }
  }
  // Taking the middle words crosswise undoes the last round's exchange.
  for (size_t i = 0; i < n; ++i) {
    uint16_t x2 = x[1][i];
    x[0][i] = idea_mul(x[0][i], k[0]);
    x[1][i] = static_cast<uint16_t>(x[2][i] + k[1]);
    x[2][i] = static_cast<uint16_t>(x2 + k[2]);
    x[3][i] = idea_mul(x[3][i], k[3]);
  }
}

#endif
