// Every ECB path (portable, AVX2, AVX-512BW) against the portable one and the
// published answers. A path this processor cannot run is skipped, by name.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "bytestring.h"
#include "ecb.h"
#include "idea.h"
#include "test_data.h"

// Names the path in failure messages instead of dumping its bytes.
inline void PrintTo(EcbPath path, std::ostream* os) {
  *os << ecb_path_name(path);
}

namespace {

Bytes repeat(const Bytes& block, size_t times) {
  Bytes all;
  for (size_t i = 0; i < times; ++i)
    all.insert(all.end(), block.begin(), block.end());
  return all;
}

class EcbPathTest : public testing::TestWithParam<EcbPath> {
protected:
  void SetUp() override {
    if (!ecb_path_available(GetParam())) {
      GTEST_SKIP() << "this processor or operating system cannot run the "
                   << ecb_path_name(GetParam()) << " path";
    }
  }
  EcbPath path() const { return GetParam(); }

  Bytes encrypt(EcbPath on, const Bytes& in, const Key& key) {
    const auto length = static_cast<int32_t>(in.size());
    Bytes out(padded(length));
    cipher_string_on(on, in.data(), out.data(), key.data(), length);
    return out;
  }
  Bytes decrypt(EcbPath on, const Bytes& in, const Key& key, size_t length) {
    Bytes out(length);
    decipher_string_on(on, in.data(), out.data(), key.data(), static_cast<int32_t>(length));
    return out;
  }

  // Both directions on this path equal the portable ones, and decryption
  // gives the input back.
  void expect_agrees(const Key& key, const Bytes& plain, const std::string& what) {
    Bytes enc = encrypt(path(), plain, key);
    ASSERT_EQ(enc, encrypt(EcbPath::Portable, plain, key)) << what;
    Bytes dec = decrypt(path(), enc, key, plain.size());
    ASSERT_EQ(dec, decrypt(EcbPath::Portable, enc, key, plain.size())) << what;
    ASSERT_EQ(dec, plain) << what;
  }
};

// The published block in every lane of several full vectors and a tail.
TEST_P(EcbPathTest, PublishedBlockInEveryLane) {
  const size_t blocks = 3 * 32 + 7;
  Bytes plain = repeat({0x00, 0x00, 0x00, 0x01, 0x00, 0x02, 0x00, 0x03}, blocks);
  Bytes cipher = repeat({0x11, 0xFB, 0xED, 0x2B, 0x01, 0x98, 0x6D, 0xE5}, blocks);
  EXPECT_EQ(encrypt(path(), plain, kPublishedKey), cipher);
  EXPECT_EQ(decrypt(path(), cipher, kPublishedKey, plain.size()), plain);
}

TEST_P(EcbPathTest, PublishedString) {
  Bytes plain = {0x61, 0x62, 0x63};
  Bytes cipher = {0xA0, 0xBC, 0xBD, 0x39, 0x1C, 0x66, 0xCE, 0xB5};
  EXPECT_EQ(encrypt(path(), plain, kPublishedKey), cipher);
  EXPECT_EQ(decrypt(path(), cipher, kPublishedKey, plain.size()), plain);
}

TEST_P(EcbPathTest, AgreesWithPortableForEveryLengthUpTo300) {
  std::mt19937 rng(41);
  for (size_t length = 0; length <= 300; ++length) {
    expect_agrees(random_key(rng), random_bytes(rng, length), "length " + std::to_string(length));
  }
}

// Whole-block counts that reach every split a vector path makes: several
// runs of its side-by-side groups, then single vectors, then the portable
// tail (groups hold at most 8 vectors of 32 blocks, so 640 blocks cover two
// full runs of the widest and every remainder after them).
TEST_P(EcbPathTest, AgreesWithPortableForEveryBlockCountUpTo640) {
  std::mt19937 rng(61);
  uint16_t en[52], de[52];
  Key key = random_key(rng);
  en_key_idea(key.data(), en);
  de_key_idea(en, de);
  const size_t most = 640;
  Bytes plain = random_bytes(rng, 8 * most), want(plain.size()), got(plain.size());
  Bytes back(plain.size()), want_back(plain.size());
  for (size_t blocks = 0; blocks <= most; ++blocks) {
    idea_ecb_blocks_on(EcbPath::Portable, plain.data(), want.data(), blocks, en);
    idea_ecb_blocks_on(path(), plain.data(), got.data(), blocks, en);
    ASSERT_TRUE(std::equal(want.begin(), want.begin() + 8 * blocks, got.begin())) << blocks;
    idea_ecb_blocks_on(EcbPath::Portable, want.data(), want_back.data(), blocks, de);
    idea_ecb_blocks_on(path(), want.data(), back.data(), blocks, de);
    ASSERT_TRUE(std::equal(want_back.begin(), want_back.begin() + 8 * blocks, back.begin()))
        << blocks;
  }
}

TEST_P(EcbPathTest, AgreesWithPortableOnOneMebibyte) {
  std::mt19937 rng(43);
  expect_agrees(random_key(rng), random_bytes(rng, 1 << 20), "1 MiB");
}

// Word 0 of block i is i, so the first multiplication of the first round
// meets every word against multiplier Z[0] = key[0]; a fault in the
// low/high fold, the borrow or a zero mask changes some block.
TEST_P(EcbPathTest, FirstMultiplierMeetsEveryWord) {
  std::mt19937 rng(47);
  Bytes plain(size_t{8} * 65536);
  for (size_t i = 0; i < 65536; ++i) {
    plain[8 * i] = static_cast<uint8_t>(i >> 8);
    plain[8 * i + 1] = static_cast<uint8_t>(i);
    for (size_t j = 2; j < 8; ++j)
      plain[8 * i + j] = static_cast<uint8_t>(rng());
  }
  for (uint16_t multiplier :
       {0x0000, 0x0001, 0x0002, 0x7FFF, 0x8000, 0x8001, 0xFFFE, 0xFFFF, 0x1234}) {
    Key key = random_key(rng);
    key[0] = multiplier;
    expect_agrees(key, plain, "multiplier " + std::to_string(multiplier));
  }
}

// The all-zero key makes every subkey 0 (65536 as a multiplier); zero and
// all-ones blocks make operands 0 throughout the first round.
TEST_P(EcbPathTest, ZeroSubkeysAndZeroWords) {
  std::mt19937 rng(53);
  Bytes plain = repeat({0, 0, 0, 0, 0, 0, 0, 0}, 40);
  Bytes ones = repeat({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, 40);
  plain.insert(plain.end(), ones.begin(), ones.end());
  Bytes mixed = random_bytes(rng, size_t{8} * 64);
  for (size_t i = 0; i < mixed.size(); i += 3)
    mixed[i] = 0;
  plain.insert(plain.end(), mixed.begin(), mixed.end());
  expect_agrees(Key{}, plain, "zero key");
  expect_agrees(Key{0, 1, 0, 0xFFFF, 0, 0, 0x8000, 0}, plain, "sparse key");
}

TEST_P(EcbPathTest, InPlaceEqualsSeparate) {
  std::mt19937 rng(59);
  Key key = random_key(rng);
  uint16_t Z[52];
  en_key_idea(key.data(), Z);
  const size_t blocks = 2 * 32 + 5;
  Bytes buf = random_bytes(rng, 8 * blocks), separate(buf.size());
  idea_ecb_blocks_on(path(), buf.data(), separate.data(), blocks, Z);
  idea_ecb_blocks_on(path(), buf.data(), buf.data(), blocks, Z);
  EXPECT_EQ(buf, separate);
}

INSTANTIATE_TEST_SUITE_P(Paths, EcbPathTest, testing::ValuesIn(kEcbPaths),
                         [](const testing::TestParamInfo<EcbPath>& i) {
                           return std::string(ecb_path_name(i.param));
                         });

TEST(EcbDispatch, BestPathIsAvailableAndNoneWiderIs) {
  EcbPath best = ecb_best_path();
  EXPECT_TRUE(ecb_path_available(best));
  EXPECT_TRUE(ecb_path_available(EcbPath::Portable));
  if (ecb_path_available(EcbPath::Avx512)) {
    EXPECT_EQ(best, EcbPath::Avx512);
  } else if (ecb_path_available(EcbPath::Avx2)) {
    EXPECT_EQ(best, EcbPath::Avx2);
  } else {
    EXPECT_EQ(best, EcbPath::Portable);
  }
}

} // namespace
