// Byte strings in ECB: the published string vector, byte packing, block
// independence, exact read and write extents, and round trips.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "bytestring.h"
#include "ecb.h"
#include "guarded_region.h"
#include "idea.h"
#include "test_data.h"

namespace {

struct StringVector {
  const char* name;
  Key key;
  Bytes plain;
  Bytes cipher;
};

void PrintTo(const StringVector& v, std::ostream* os) {
  *os << v.name;
}

class ByteStringKnownAnswer : public testing::TestWithParam<StringVector> {};

TEST_P(ByteStringKnownAnswer, EncryptsAndDecrypts) {
  const StringVector& v = GetParam();
  int32_t length = static_cast<int32_t>(v.plain.size());
  Bytes out(v.cipher.size());
  cipher_string(v.plain.data(), out.data(), v.key.data(), length);
  EXPECT_EQ(out, v.cipher);
  Bytes back(v.plain.size());
  decipher_string(v.cipher.data(), back.data(), v.key.data(), length);
  EXPECT_EQ(back, v.plain);
}

const StringVector kStringVectors[] = {
    // "abc" under the published key: block 6162 6300 0000 0000.
    {"abc", kPublishedKey, {0x61, 0x62, 0x63}, {0xA0, 0xBC, 0xBD, 0x39, 0x1C, 0x66, 0xCE, 0xB5}},
    // The published block, as bytes: pins the big-endian packing both ways.
    {"published_block",
     kPublishedKey,
     {0x00, 0x00, 0x00, 0x01, 0x00, 0x02, 0x00, 0x03},
     {0x11, 0xFB, 0xED, 0x2B, 0x01, 0x98, 0x6D, 0xE5}},
};

INSTANTIATE_TEST_SUITE_P(Published, ByteStringKnownAnswer, testing::ValuesIn(kStringVectors),
                         [](const testing::TestParamInfo<StringVector>& i) {
                           return std::string(i.param.name);
                         });

TEST(ByteString, NothingReadOrWrittenForEmptyOrNegativeLength) {
  Bytes out(16, 0xEE);
  for (int32_t length : {0, -1, -8, INT32_MIN}) {
    // A null input would fault if touched.
    cipher_string(nullptr, out.data(), kPublishedKey.data(), length);
    decipher_string(nullptr, out.data(), kPublishedKey.data(), length);
    EXPECT_EQ(out, Bytes(16, 0xEE)) << length;
  }
}

// Each block is the block cipher on its own big-endian words; the last one
// zero-filled. Done with cipher_idea directly, so packing and ECB are checked
// independently of the string code.
TEST(ByteString, EachBlockIsTheBlockCipherOfItsWords) {
  std::mt19937 rng(3);
  Key key = random_key(rng);
  uint16_t Z[52];
  en_key_idea(key.data(), Z);
  for (int32_t length : {1, 7, 8, 9, 15, 16, 23, 40}) {
    Bytes in = random_bytes(rng, static_cast<size_t>(length));
    Bytes out(padded(length));
    cipher_string(in.data(), out.data(), key.data(), length);
    Bytes filled = in;
    filled.resize(out.size(), 0);
    for (size_t b = 0; b < out.size(); b += 8) {
      uint16_t w[4];
      for (size_t k = 0; k < 4; ++k)
        w[k] = static_cast<uint16_t>(filled[b + 2 * k] << 8 | filled[b + 2 * k + 1]);
      cipher_idea(w, w, Z);
      for (size_t k = 0; k < 4; ++k) {
        ASSERT_EQ(out[b + 2 * k], w[k] >> 8) << length << " byte " << b + 2 * k;
        ASSERT_EQ(out[b + 2 * k + 1], w[k] & 0xFF) << length << " byte " << b + 2 * k + 1;
      }
    }
  }
}

// Runs of every size up to and past any multi-block width agree with single
// blocks (128 + 64 + ... + 1 blocks reach every tail of a wider kernel).
TEST(ByteString, BlockRunsEqualSingleBlocks) {
  std::mt19937 rng(5);
  uint16_t Z[52];
  Key key = random_key(rng);
  en_key_idea(key.data(), Z);
  size_t total = 255;
  Bytes in = random_bytes(rng, 8 * total), single(8 * total), runs(8 * total);
  for (size_t b = 0; b < total; ++b)
    idea_ecb_blocks(&in[8 * b], &single[8 * b], 1, Z);
  size_t at = 0;
  for (size_t run = 128; run >= 1; run /= 2) {
    idea_ecb_blocks(&in[8 * at], &runs[8 * at], run, Z);
    at += run;
  }
  ASSERT_EQ(at, total);
  EXPECT_EQ(runs, single);
  idea_ecb_blocks(in.data(), in.data(), total, Z);
  EXPECT_EQ(in, single);
}

TEST(ByteString, RoundTripEveryLengthUpTo64) {
  std::mt19937 rng(19);
  for (int32_t length = 0; length <= 64; ++length) {
    for (int trial = 0; trial < 4; ++trial) {
      Key key = random_key(rng);
      Bytes in = random_bytes(rng, static_cast<size_t>(length));
      Bytes enc(padded(length)), back(static_cast<size_t>(length));
      cipher_string(in.data(), enc.data(), key.data(), length);
      decipher_string(enc.data(), back.data(), key.data(), length);
      ASSERT_EQ(back, in) << "length " << length << " trial " << trial;
      if (length > 0) {
        ASSERT_NE(Bytes(enc.begin(), enc.begin() + length), in) << length;
      }
    }
  }
}

TEST(ByteString, InPlaceEqualsSeparate) {
  std::mt19937 rng(23);
  Key key = random_key(rng);
  for (int32_t length : {3, 8, 21}) {
    Bytes in = random_bytes(rng, static_cast<size_t>(length));
    Bytes separate(padded(length)), buf = in;
    buf.resize(padded(length), 0x5A);
    cipher_string(in.data(), separate.data(), key.data(), length);
    cipher_string(buf.data(), buf.data(), key.data(), length);
    EXPECT_EQ(buf, separate) << length;
    decipher_string(buf.data(), buf.data(), key.data(), length);
    EXPECT_EQ(Bytes(buf.begin(), buf.begin() + length), in) << length;
  }
}

// Encryption writes whole blocks and no more; decryption writes length bytes
// and leaves the rest of its last block and everything after untouched.
TEST(ByteString, WritesExactExtent) {
  std::mt19937 rng(29);
  const size_t guard = 16;
  for (int32_t length = 1; length <= 33; ++length) {
    Key key = random_key(rng);
    Bytes in = random_bytes(rng, static_cast<size_t>(length));
    Bytes enc(padded(length) + guard, 0xC3);
    cipher_string(in.data(), enc.data(), key.data(), length);
    for (size_t i = padded(length); i < enc.size(); ++i)
      ASSERT_EQ(enc[i], 0xC3) << length << " at " << i;

    Bytes dec(padded(length) + guard, 0x3C);
    decipher_string(enc.data(), dec.data(), key.data(), length);
    ASSERT_TRUE(std::equal(in.begin(), in.end(), dec.begin())) << length;
    for (size_t i = static_cast<size_t>(length); i < dec.size(); ++i)
      ASSERT_EQ(dec[i], 0x3C) << length << " at " << i;
  }
}

// Input placed against an inaccessible page: encryption must read only length
// bytes, decryption only 8 * ceil(length / 8). Decryption's output is placed
// the same way, so a write of a dropped byte faults too.
TEST(ByteString, ReadsExactExtent) {
  GuardedRegion plain, cipher, out;
  ASSERT_TRUE(plain.ok() && cipher.ok() && out.ok());
  std::mt19937 rng(31);
  for (int32_t length = 1; length <= 64; ++length) {
    Key key = random_key(rng);
    size_t n = static_cast<size_t>(length);
    Bytes in = random_bytes(rng, n);
    uint8_t* p = plain.last(n);
    std::memcpy(p, in.data(), n);
    uint8_t* c = cipher.last(padded(length));
    cipher_string(p, c, key.data(), length);
    uint8_t* d = out.last(n);
    decipher_string(c, d, key.data(), length);
    ASSERT_EQ(std::memcmp(d, in.data(), n), 0) << length;
  }
}

} // namespace
