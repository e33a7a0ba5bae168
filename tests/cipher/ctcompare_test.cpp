// The comparison of check blocks: equal only when every byte is.
#include <gtest/gtest.h>

#include <cstdint>

#include "ctcompare.h"

namespace {

TEST(SameBytesCt, EqualAndEmpty) {
  const uint8_t a[8] = {0, 1, 2, 0x80, 0xFF, 5, 6, 7};
  const uint8_t b[8] = {0, 1, 2, 0x80, 0xFF, 5, 6, 7};
  EXPECT_TRUE(same_bytes_ct(a, b, 8));
  EXPECT_TRUE(same_bytes_ct(nullptr, nullptr, 0));
}

// A difference in any single bit of any byte is seen, including the high bit
// and the last byte (an early-exit or short loop would miss one of them).
TEST(SameBytesCt, AnySingleBitDifference) {
  const uint8_t a[8] = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88};
  for (int byte = 0; byte < 8; ++byte) {
    for (int bit = 0; bit < 8; ++bit) {
      uint8_t b[8];
      for (int i = 0; i < 8; ++i)
        b[i] = a[i];
      b[byte] = static_cast<uint8_t>(b[byte] ^ (1u << bit));
      EXPECT_FALSE(same_bytes_ct(a, b, 8)) << "byte " << byte << " bit " << bit;
    }
  }
}

} // namespace
