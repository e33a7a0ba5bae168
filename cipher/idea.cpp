#include "idea.h"

#include "idea_core.h"
#include "wipe.h"

uint16_t mul(uint16_t a, uint16_t b) {
  return idea_mul(a, b);
}

namespace {

// 65537 is prime, so by Fermat x^65535 = x^(65537-2) is the inverse of every
// nonzero residue. The word 0 stands for 65536 = -1, and (-1)^65535 = -1 is
// again the word 0; 1 maps to 1. So one exponentiation covers every word with
// the same sequence of mul calls whatever x is: no branch on key material.
// 65535 = 2^16 - 1 is sixteen one bits, reached by doubling the run of ones:
// x^(2^2k - 1) = (x^(2^k - 1))^(2^k) * x^(2^k - 1); 15 squarings, 4 products.
//
// Each of the n words goes through its own chain. Those chains do not depend
// on each other, so stepping them side by side lets the multiplications of
// one overlap the latency of the others (and lets the compiler put them in
// vector lanes), where one after the other each waits on its own last step.
template <size_t n> void invert_each(uint16_t (&x)[n]) {
  uint16_t ones[n], shifted[n]; // x^(2^k - 1), from k = 1
  for (size_t j = 0; j < n; ++j) {
    ones[j] = x[j];
  }
  for (int k = 1; k < 16; k *= 2) {
    for (size_t j = 0; j < n; ++j) {
      shifted[j] = ones[j];
    }
    for (int i = 0; i < k; ++i) {
      for (size_t j = 0; j < n; ++j) {
        shifted[j] = idea_mul(shifted[j], shifted[j]);
      }
    }
    for (size_t j = 0; j < n; ++j) {
      ones[j] = idea_mul(shifted[j], ones[j]);
    }
  }
  for (size_t j = 0; j < n; ++j) {
    x[j] = ones[j];
  }
  secure_wipe(ones, sizeof ones);
  secure_wipe(shifted, sizeof shifted);
}

} // namespace

uint16_t inv(uint16_t x) {
  uint16_t word[1] = {x};
  invert_each(word);
  return word[0];
}

// Each 8-word group is the previous one, as a 128-bit value with word 0 most
// significant, rotated left by 25 bits: one whole word (25 = 16 + 9) plus 9
// bits, so word k takes 7 bits of w[k+1] and 9 of w[k+2]'s top.
void en_key_idea(const uint16_t userkey[8], uint16_t Z[52]) {
  for (int i = 0; i < 8; ++i) {
    Z[i] = userkey[i];
  }
  for (int j = 8; j < 52; ++j) {
    const uint16_t* w = Z + (j - 8 - j % 8);
    int k = j % 8;
    Z[j] = static_cast<uint16_t>((w[(k + 1) % 8] << 9) | (w[(k + 2) % 8] >> 7));
  }
}

// Decryption walks the rounds backwards: encryption group r (r = 0..8) feeds
// decryption group 8 - r with inverted multipliers and negated addends. The
// addends trade places except in the first and last decryption groups,
// because every middle round ends by swapping words 2 and 3 and the output
// transformation undoes that swap. The mixing-stage multipliers of round r
// are used unchanged by decryption round 7 - r.
void de_key_idea(const uint16_t Z[52], uint16_t D[52]) {
  // The 18 multipliers (subkeys 0 and 3 of each group of six), inverted
  // together.
  uint16_t inverse[18];
  for (ptrdiff_t r = 0; r <= 8; ++r) {
    inverse[2 * r] = Z[6 * r];
    inverse[2 * r + 1] = Z[6 * r + 3];
  }
  invert_each(inverse);
  uint16_t T[52];
  for (ptrdiff_t r = 0; r <= 8; ++r) {
    const uint16_t* z = Z + 6 * r;
    uint16_t* d = T + 6 * (8 - r);
    bool outer = r == 0 || r == 8;
    d[0] = inverse[2 * r];
    d[1] = static_cast<uint16_t>(0u - z[outer ? 1 : 2]);
    d[2] = static_cast<uint16_t>(0u - z[outer ? 2 : 1]);
    d[3] = inverse[2 * r + 1];
    if (r < 8) {
      T[6 * (7 - r) + 4] = z[4];
      T[6 * (7 - r) + 5] = z[5];
    }
  }
  for (int i = 0; i < 52; ++i) {
    D[i] = T[i];
  }
  secure_wipe(T, sizeof T);
  secure_wipe(inverse, sizeof inverse);
}

void cipher_idea(const uint16_t in[4], uint16_t out[4], const uint16_t Z[52]) {
  uint16_t x[4][1] = {{in[0]}, {in[1]}, {in[2]}, {in[3]}};
  idea_rounds(x, Z);
  out[0] = x[0][0];
  out[1] = x[1][0];
  out[2] = x[2][0];
  out[3] = x[3][0];
}
