// The block cipher: published known answers, the modular arithmetic against
// plain references, and the properties the byte-string layer relies on.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "idea.h"
#include "test_data.h"

namespace {

using Block = std::array<uint16_t, 4>;
using Schedule = std::array<uint16_t, 52>;

// ---------------------------------------------------------------- mul

// The product modulo 65537 in 64-bit arithmetic, 0 standing for 65536.
uint16_t reference_mul(uint32_t a, uint32_t b) {
  uint64_t x = a == 0 ? 65536 : a;
  uint64_t y = b == 0 ? 65536 : b;
  uint64_t r = x * y % 65537;
  return static_cast<uint16_t>(r == 65536 ? 0 : r);
}

TEST(IdeaMul, EdgeValues) {
  EXPECT_EQ(mul(0, 0), 1);
  EXPECT_EQ(mul(0, 1), 0);
  EXPECT_EQ(mul(1, 0), 0);
  EXPECT_EQ(mul(0, 2), 0xFFFF);
  EXPECT_EQ(mul(2, 0), 0xFFFF);
  EXPECT_EQ(mul(0xFFFF, 0xFFFF), 4);
  EXPECT_EQ(mul(0x8000, 2), 0); // 2^16 is the word 0
  EXPECT_EQ(mul(0x8001, 2), 1); // 2 * 32769 = 65538
  EXPECT_EQ(mul(0, 0xFFFF), 2); // -1 * -2
}

// Every a against every b of a dense sample (a stride coprime to 2^16 plus
// the boundary words), both ways round, so any fault in the low/high fold,
// the borrow or the zero masks shows for some pair.
TEST(IdeaMul, AgreesWithReferenceOverDenseSample) {
  std::vector<uint32_t> sample = {0, 1, 2, 3, 0x7FFF, 0x8000, 0x8001, 0xFFFE, 0xFFFF};
  for (uint32_t b = 5; b < 65536; b += 31) {
    sample.push_back(b);
  }
  uint64_t bad = 0;
  for (uint32_t b : sample) {
    for (uint32_t a = 0; a < 65536; ++a) {
      uint16_t want = reference_mul(a, b);
      bad += mul(static_cast<uint16_t>(a), static_cast<uint16_t>(b)) != want;
      bad += mul(static_cast<uint16_t>(b), static_cast<uint16_t>(a)) != want;
    }
  }
  EXPECT_EQ(bad, 0u);
}

// ---------------------------------------------------------------- inv

// Extended Euclid with every quantity held as a word, as the cipher defines
// the inverse; inv must give exactly these words.
uint16_t euclid_inv(uint16_t x) {
  if (x <= 1) {
    return x;
  }
  uint16_t t1 = static_cast<uint16_t>(65537u / x);
  uint16_t y = static_cast<uint16_t>(65537u % x);
  if (y == 1) {
    return static_cast<uint16_t>(1 - t1);
  }
  uint16_t t0 = 1;
  for (;;) {
    uint16_t q = x / y;
    x = x % y;
    t0 = static_cast<uint16_t>(t0 + q * t1);
    if (x == 1) {
      return t0;
    }
    q = y / x;
    y = y % x;
    t1 = static_cast<uint16_t>(t1 + q * t0);
    if (y == 1) {
      return static_cast<uint16_t>(1 - t1);
    }
  }
}

TEST(IdeaInv, EdgeValues) {
  EXPECT_EQ(inv(0), 0);
  EXPECT_EQ(inv(1), 1);
  EXPECT_EQ(inv(2), 0x8001);
  EXPECT_EQ(inv(3), 0x5556);
  EXPECT_EQ(inv(0xFFFF), 0x8000);
  EXPECT_EQ(inv(0x8000), 0xFFFF);
}

TEST(IdeaInv, IsInverseAndMatchesEuclidForEveryWord) {
  uint32_t not_inverse = 0, not_euclid = 0;
  for (uint32_t x = 0; x < 65536; ++x) {
    uint16_t w = static_cast<uint16_t>(x);
    uint16_t i = inv(w);
    not_inverse += x != 0 && mul(w, i) != 1;
    not_euclid += i != euclid_inv(w);
  }
  EXPECT_EQ(not_inverse, 0u);
  EXPECT_EQ(not_euclid, 0u);
}

// ---------------------------------------------------------------- schedules

Schedule encryption_schedule(const Key& key) {
  Schedule Z;
  en_key_idea(key.data(), Z.data());
  return Z;
}

Schedule decryption_schedule(const Key& key) {
  Schedule Z = encryption_schedule(key), D;
  de_key_idea(Z.data(), D.data());
  return D;
}

TEST(IdeaSchedule, PublishedEncryptionSchedule) {
  Schedule Z = encryption_schedule(kPublishedKey);
  const uint16_t first_rotation[8] = {0x0400, 0x0600, 0x0800, 0x0A00,
                                      0x0C00, 0x0E00, 0x1000, 0x0200};
  const uint16_t output[4] = {0x0080, 0x00C0, 0x0100, 0x0140};
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(Z[i], kPublishedKey[i]) << i;
    EXPECT_EQ(Z[8 + i], first_rotation[i]) << 8 + i;
  }
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(Z[48 + i], output[i]) << 48 + i;
  }
}

TEST(IdeaSchedule, PublishedDecryptionSchedule) {
  Schedule D = decryption_schedule(kPublishedKey);
  const uint16_t head[6] = {0xFE01, 0xFF40, 0xFF00, 0x659A, 0xC000, 0xE001};
  const uint16_t tail[4] = {0x0001, 0xFFFE, 0xFFFD, 0xC001};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(D[i], head[i]) << i;
  }
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(D[48 + i], tail[i]) << 48 + i;
  }
}

TEST(IdeaSchedule, DecryptionInPlaceEqualsSeparate) {
  std::mt19937 rng(13);
  for (int trial = 0; trial < 20; ++trial) {
    Key key;
    for (auto& w : key)
      w = static_cast<uint16_t>(rng());
    Schedule Z = encryption_schedule(key), separate;
    de_key_idea(Z.data(), separate.data());
    de_key_idea(Z.data(), Z.data());
    EXPECT_EQ(Z, separate);
  }
}

// ---------------------------------------------------------------- blocks

struct BlockVector {
  const char* name;
  Key key;
  bool decrypt;
  Block in, out;
};

void PrintTo(const BlockVector& v, std::ostream* os) {
  *os << v.name;
}

class IdeaKnownAnswer : public testing::TestWithParam<BlockVector> {};

TEST_P(IdeaKnownAnswer, Block) {
  const BlockVector& v = GetParam();
  Schedule K = v.decrypt ? decryption_schedule(v.key) : encryption_schedule(v.key);
  Block out{};
  cipher_idea(v.in.data(), out.data(), K.data());
  EXPECT_EQ(out, v.out);
}

const BlockVector kBlockVectors[] = {
    {"published_encrypt",
     kPublishedKey,
     false,
     {0x0000, 0x0001, 0x0002, 0x0003},
     {0x11FB, 0xED2B, 0x0198, 0x6DE5}},
    {"published_decrypt",
     kPublishedKey,
     true,
     {0x11FB, 0xED2B, 0x0198, 0x6DE5},
     {0x0000, 0x0001, 0x0002, 0x0003}},
};

INSTANTIATE_TEST_SUITE_P(Published, IdeaKnownAnswer, testing::ValuesIn(kBlockVectors),
                         [](const testing::TestParamInfo<BlockVector>& i) {
                           return std::string(i.param.name);
                         });

TEST(IdeaBlock, DecryptionUndoesEncryptionForRandomKeysAndBlocks) {
  std::mt19937 rng(17);
  for (int trial = 0; trial < 500; ++trial) {
    Key key;
    for (auto& w : key)
      w = static_cast<uint16_t>(rng());
    // Zero words exercise the 65536 encoding in every multiplication.
    if (trial % 5 == 0)
      key[trial % 8] = 0;
    Block in;
    for (auto& w : in)
      w = static_cast<uint16_t>(trial % 7 == 0 ? 0 : rng());
    Schedule Z = encryption_schedule(key), D = decryption_schedule(key);
    Block mid, back;
    cipher_idea(in.data(), mid.data(), Z.data());
    cipher_idea(mid.data(), back.data(), D.data());
    ASSERT_NE(mid, in) << trial;
    ASSERT_EQ(back, in) << trial;
  }
}

TEST(IdeaBlock, InPlaceEqualsSeparate) {
  Schedule Z = encryption_schedule(kPublishedKey);
  Block in = {0x0000, 0x0001, 0x0002, 0x0003}, out;
  cipher_idea(in.data(), out.data(), Z.data());
  cipher_idea(in.data(), in.data(), Z.data());
  EXPECT_EQ(in, out);
}

} // namespace
