// The load splits its marker search among threads and chunks; the marker list
// must not depend on how: it is that of one scan from 0.
#include "dbformat.h"
#include "imageload.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<int32_t> scan_from_zero(const std::string& image) {
  std::vector<int32_t> starts;
  const auto* bytes = reinterpret_cast<const uint8_t*>(image.data());
  const auto length = static_cast<int32_t>(image.size());
  for (int32_t at = find_next_marker(bytes, length, 0); at >= 0;
       at = find_next_marker(bytes, length, at)) {
    starts.push_back(at);
  }
  return starts;
}

TEST(ChunkedScan, FindsWhatOneScanFromZeroFinds) {
  const std::string marker = "\xFF\x40\x44\x02";
  // Markers at every offset from a chunk boundary, back to back, behind FF
  // bytes, one ending at the last byte, and a partial one at the end.
  std::string image;
  for (int gap = 0; gap < 12; ++gap) {
    image += std::string(static_cast<size_t>(gap), '\xFF') + marker + "\xFF\x40\x44\x03";
  }
  image += marker + "\xFF\x40\x44";
  const std::vector<int32_t> expected = scan_from_zero(image);
  ASSERT_EQ(expected.size(), 25u);
  for (size_t chunk : {1, 2, 3, 4, 5, 7, 64}) {
    for (int workers : {1, 3}) {
      std::vector<int32_t> starts;
      ASSERT_TRUE(fill_and_find_markers(
          reinterpret_cast<const uint8_t*>(image.data()), image.size(),
          [](size_t, size_t) { return true; }, starts, chunk, workers));
      EXPECT_EQ(starts, expected) << "chunks of " << chunk << ", " << workers << " workers";
    }
  }
  std::vector<int32_t> starts;
  EXPECT_FALSE(fill_and_find_markers(
      reinterpret_cast<const uint8_t*>(image.data()), image.size(),
      [](size_t from, size_t) { return from < 40; }, starts, 8, 2));
}

} // namespace
