// Password folding, checked against the closed form of each key word (not the
// two-pass procedure) and against hand-worked keys.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <string>

#include "guarded_region.h"
#include "test_data.h"
#include "userkey.h"

namespace {

Key fold(const std::string& text) {
  Key key;
  key.fill(0xA5A5); // every word must be written, even for short texts
  getuserkeyfromargv(key.data(), text.c_str());
  return key;
}

uint16_t word(unsigned high, unsigned low) {
  return static_cast<uint16_t>(high << 8 | low);
}

// Word i of the key of a text, from the characters alone.
Key closed_form(const std::string& text) {
  auto c = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  size_t n = std::min<size_t>(text.size(), 16);
  Key key{};
  if (n >= 1)
    key[0] = word(c(0), 0);
  for (size_t i = 1; i < 8; ++i) {
    if (i < n)
      key[i] = word(c(i), c(i - 1));
  }
  if (n > 8) {
    key[0] = word(c(0) ^ c(8), 0);
    for (size_t i = 1; i + 9 <= n; ++i)
      key[i] = word(c(i) ^ c(i + 8), c(i + 7));
  }
  return key;
}

TEST(UserKey, EmptyTextGivesZeroKey) {
  EXPECT_EQ(fold(""), Key{});
}

TEST(UserKey, HandWorkedKeys) {
  EXPECT_EQ(fold("A"), (Key{0x4100, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(fold("ABC"), (Key{0x4100, 0x4241, 0x4342, 0, 0, 0, 0, 0}));
  EXPECT_EQ(fold("ABCDEFGH"),
            (Key{0x4100, 0x4241, 0x4342, 0x4443, 0x4544, 0x4645, 0x4746, 0x4847}));
  // Ninth character equal to the first cancels key[0] and touches nothing else.
  EXPECT_EQ(fold("ABCDEFGHA"),
            (Key{0x0000, 0x4241, 0x4342, 0x4443, 0x4544, 0x4645, 0x4746, 0x4847}));
  // 'I' ^ 'A' = 0x08; key[1] low byte becomes the 9th character.
  EXPECT_EQ(fold("ABCDEFGHIJ"),
            (Key{0x0800, 0x0849, 0x4342, 0x4443, 0x4544, 0x4645, 0x4746, 0x4847}));
}

// Lengths 0 to 24: the empty text, 1-8 (first pass only), 9-16 (second pass
// stopping at each word), and texts longer than 16 (folded as their first 16).
TEST(UserKey, MatchesClosedFormForEveryLength) {
  const std::string alphabet = "PASSWORDSECRET0123456789";
  for (size_t n = 0; n <= alphabet.size(); ++n) {
    std::string text = alphabet.substr(0, n);
    EXPECT_EQ(fold(text), closed_form(text)) << "length " << n;
  }
}

TEST(UserKey, HighBytesEnterUnsigned) {
  // Sign extension of 0x80.. would spill 0xFF into the neighbouring byte.
  std::string text = "\x80\xFF\x81\xFE\x90\xA0\xB0\xC0\xFF\x80\x01";
  Key key = fold(text);
  EXPECT_EQ(key, closed_form(text));
  EXPECT_EQ(key[0], word(0x80 ^ 0xFF, 0));
  EXPECT_EQ(key[1], word(0xFF ^ 0x80, 0xFF));
  EXPECT_EQ(key[2], word(0x81 ^ 0x01, 0x80));
  EXPECT_EQ(key[3], word(0xFE, 0x81));
}

// A 16-byte password buffer with no NUL, placed against an inaccessible page:
// reading a 17th byte faults.
TEST(UserKey, ReadsAtMostSixteenBytes) {
  GuardedRegion region;
  ASSERT_TRUE(region.ok());
  char* text = reinterpret_cast<char*>(region.last(16));
  // Sixteen characters and no NUL, on purpose.
  // NOLINTNEXTLINE(bugprone-not-null-terminated-result)
  std::memcpy(text, "ABCDEFGHIJKLMNOP", 16);
  Key key;
  getuserkeyfromargv(key.data(), text);
  EXPECT_EQ(key, closed_form("ABCDEFGHIJKLMNOP"));
}

} // namespace
