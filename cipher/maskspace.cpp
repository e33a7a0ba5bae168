#include "maskspace.h"

#include <utility>

#include "wipe.h"

namespace {

// Candidates per row at least this many where the length allows, so that
// the lanes left idle at the end of a row (fewer than one vector) and the
// folding of the fixed part cost little: about 1.5% of a row of 32-lane
// vectors.
constexpr uint64_t kMinRow = 2048;

} // namespace

MaskSpace::MaskSpace(std::vector<std::string> positions, size_t shortest)
    : positions_(std::move(positions)) {
  uint64_t count = 1;
  for (size_t length = 0; length <= positions_.size() && fits_; ++length) {
    fits_ = length == 0 || !__builtin_mul_overflow(count, positions_[length - 1].size(), &count);
    if (fits_ && length >= shortest) {
      Segment segment;
      segment.length = length;
      segment.base = size_;
      segment.count = count;
      fits_ = !__builtin_add_overflow(size_, count, &size_);
      segments_.push_back(std::move(segment));
    }
  }
  if (fits_) {
    for (Segment& segment : segments_) {
      build(segment);
    }
  }
}

void MaskSpace::digits(uint64_t value, size_t from, size_t to, unsigned char chars[16]) const {
  for (size_t p = to; p > from; --p) {
    const std::string& set = positions_[p - 1];
    chars[p - 1] = static_cast<unsigned char>(set[value % set.size()]);
    value /= set.size();
  }
}

void MaskSpace::build(Segment& segment) const {
  segment.fixed = segment.length;
  segment.row = 1;
  while (segment.fixed > 0 && segment.row < kMinRow) {
    --segment.fixed;
    segment.row *= positions_[segment.fixed].size();
  }
  segment.stride = segment.row + kKeySearchSlackLanes;
  segment.lanes.assign(kCandidateWords * segment.stride, 0);
  unsigned char chars[16] = {};
  uint16_t words[kCandidateWords];
  for (uint64_t lane = 0; lane < segment.row; ++lane) {
    digits(lane, segment.fixed, segment.length, chars);
    candidate_words(chars, segment.length, words);
    for (size_t w = 0; w < kCandidateWords; ++w) {
      segment.lanes[w * segment.stride + lane] = words[w];
    }
  }
}

size_t MaskSpace::candidate(uint64_t index, unsigned char chars[16]) const {
  for (const Segment& segment : segments_) {
    if (index - segment.base < segment.count) {
      digits(index - segment.base, 0, segment.length, chars);
      return segment.length;
    }
  }
  return 0;
}

const uint16_t* MaskSpace::single_row(size_t& stride) const {
  if (segments_.size() != 1 || segments_[0].row != segments_[0].count) {
    return nullptr;
  }
  stride = segments_[0].stride;
  return segments_[0].lanes.data();
}

size_t MaskSpace::table_bytes() const {
  size_t bytes = 0;
  for (const Segment& segment : segments_) {
    bytes += segment.lanes.size() * sizeof(uint16_t);
  }
  return bytes;
}

uint64_t MaskSpace::first_match(EcbPath path, uint64_t begin, uint64_t end, const uint16_t check[4],
                                const uint16_t* extra) const {
  unsigned char chars[16] = {};
  uint16_t outer[kCandidateWords];
  uint64_t found = end;
  for (const Segment& segment : segments_) {
    const uint64_t from = begin > segment.base ? begin - segment.base : 0;
    const uint64_t to = end - segment.base < segment.count ? end - segment.base : segment.count;
    if (end <= segment.base || from >= to) {
      continue;
    }
    for (uint64_t at = from; at < to;) {
      const uint64_t row = at / segment.row;
      const uint64_t lane = at % segment.row;
      const uint64_t rowEnd = (row + 1) * segment.row;
      const uint64_t count = (to < rowEnd ? to : rowEnd) - at;
      // The fixed positions alone; the varying ones stay zero and come
      // from the table.
      digits(row, 0, segment.fixed, chars);
      candidate_words(chars, segment.length, outer);
      for (size_t w = 0; extra != nullptr && w < kCandidateWords; ++w) {
        outer[w] = static_cast<uint16_t>(outer[w] ^ extra[w]);
      }
      const size_t hit = keysearch_first_match(path, segment.lanes.data(), segment.stride, lane,
                                               count, outer, check);
      if (hit < count) {
        found = segment.base + at + hit;
        break;
      }
      at += count;
    }
    if (found != end) {
      break;
    }
  }
  // The fixed part of the last row: the start of the password, if found.
  secure_wipe(chars, sizeof chars);
  secure_wipe(outer, sizeof outer);
  return found;
}
