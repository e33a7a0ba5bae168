#include "ctcompare.h"

// diff is the OR of every pair's XOR, so it is 0 exactly when all pairs are
// equal. For diff in 0..255, diff - 1 in unsigned arithmetic has bit 8 set
// only for diff = 0 (it wraps to all ones), which turns the test into
// arithmetic.
bool same_bytes_ct(const uint8_t* a, const uint8_t* b, size_t n) {
  unsigned diff = 0;
  for (size_t i = 0; i < n; ++i) {
    diff |= static_cast<unsigned>(a[i] ^ b[i]);
  }
  return ((diff - 1u) >> 8) & 1u;
}
