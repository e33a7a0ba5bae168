// Password search: every kernel path finds exactly the lanes the library's own
// key schedule and block function find, and the slices of a mask space found
// by shard_range cover it once: each candidate is found in exactly one slice.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "ecb.h"
#include "idea.h"
#include "keysearch.h"
#include "maskspace.h"
#include "shard.h"

namespace {

// Words 1 and 2 of the block of a candidate's 12 words under its own key.
uint32_t tail(const uint16_t words[kCandidateWords]) {
  uint16_t Z[52], block[4];
  en_key_idea(words, Z);
  cipher_idea(words + 8, block, Z);
  return uint32_t{block[1]} << 16 | block[2];
}

TEST(KeySearch, EveryPathFindsTheLanesOfTheReference) {
  constexpr size_t kLanes = 203, kStride = kLanes + kKeySearchSlackLanes, kFirst = 5;
  std::mt19937 random(15);
  std::vector<uint16_t> rows(kCandidateWords * kStride);
  for (uint16_t& word : rows) {
    word = static_cast<uint16_t>(random());
  }
  uint16_t outer[kCandidateWords];
  for (uint16_t& word : outer) {
    word = static_cast<uint16_t>(random());
  }
  // Lanes whose schedules or blocks hold zero words: the multiplication's
  // operand 0 (65536) on either side.
  for (size_t w = 0; w < kCandidateWords; ++w) {
    rows[w * kStride + kFirst + 40] = outer[w];
    rows[w * kStride + kFirst + 41] = w % 3 == 0 ? 0x1234 : outer[w];
    rows[w * kStride + kFirst + 42] = w >= 8 ? outer[w] : static_cast<uint16_t>(outer[w] ^ 1);
  }
  std::vector<uint32_t> expected(kLanes);
  for (size_t lane = 0; lane < kLanes; ++lane) {
    uint16_t words[kCandidateWords];
    for (size_t w = 0; w < kCandidateWords; ++w) {
      words[w] = static_cast<uint16_t>(rows[w * kStride + kFirst + lane] ^ outer[w]);
    }
    expected[lane] = tail(words);
  }
  for (EcbPath path : kEcbPaths) {
    if (!ecb_path_available(path)) {
      continue;
    }
    for (size_t lane = 0; lane < kLanes; ++lane) {
      const uint16_t check[4] = {0, static_cast<uint16_t>(expected[lane] >> 16),
                                 static_cast<uint16_t>(expected[lane]), 0};
      size_t first = 0;
      while (expected[first] != expected[lane]) {
        ++first;
      }
      EXPECT_EQ(keysearch_first_match(path, rows.data(), kStride, kFirst, kLanes, outer, check),
                first)
          << ecb_path_name(path) << " lane " << lane;
      // A match at or past the end of the run is not reported.
      EXPECT_EQ(keysearch_first_match(path, rows.data(), kStride, kFirst, first, outer, check),
                first)
          << ecb_path_name(path) << " lane " << lane;
    }
  }
}

// Each candidate of space (sampled every step) is found at its own index in
// exactly one of count shards, and the shards follow each other.
void expect_shards_cover(const MaskSpace& space, uint64_t count, uint64_t step) {
  std::vector<IndexRange> shards;
  for (uint64_t shard = 1; shard <= count; ++shard) {
    shards.push_back(shard_range(space.size(), shard, count));
    ASSERT_EQ(shards.back().begin, shard == 1 ? 0 : shards[shard - 2].end);
    ASSERT_LE(shards.back().end - shards.back().begin, space.size() / count + 1);
  }
  ASSERT_EQ(shards.back().end, space.size());
  for (uint64_t index = 0; index < space.size(); index += step) {
    unsigned char chars[16];
    uint16_t words[kCandidateWords];
    candidate_words(chars, space.candidate(index, chars), words);
    const uint32_t want = tail(words);
    const uint16_t check[4] = {0, static_cast<uint16_t>(want >> 16), static_cast<uint16_t>(want),
                               0};
    int finds = 0;
    for (const IndexRange& shard : shards) {
      const uint64_t found = space.first_match(ecb_best_path(), shard.begin, shard.end, check);
      if (found != shard.end) {
        EXPECT_EQ(found, index) << "shard from " << shard.begin;
        ++finds;
      }
    }
    EXPECT_EQ(finds, 1) << "candidate " << index << " of " << count << " shards";
  }
}

TEST(KeySearch, ShardsOfAMaskCoverItOnce) {
  // Lengths 1 to 3, one row each.
  const MaskSpace small({"XYZ", "0123", "?!"}, 1);
  ASSERT_EQ(small.size(), 3u + 12u + 24u);
  for (uint64_t count : {1, 2, 5, 39, 41}) {
    expect_shards_cover(small, count, 1);
  }
  // Lengths 5 and 6; a row of length 6 holds its last 5 positions.
  const std::string digits = "0123456789";
  const MaskSpace rows({digits, digits, "\x80\xFF", digits, digits, digits}, 5);
  ASSERT_EQ(rows.size(), 20000u + 200000u);
  expect_shards_cover(rows, 3, 2003);
}

} // namespace
