#include "dbformat.h"

#include <cstring>

namespace {

uint32_t read_be32(const uint8_t* bytes) {
  return (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) | (uint32_t{bytes[2]} << 8) |
         uint32_t{bytes[3]};
}

bool marker_at(const uint8_t* bytes) {
  return bytes[0] == 0xFF && bytes[1] == 0x40 && bytes[2] == 0x44 && (bytes[3] | 1) == 0x03;
}

// Sixteen bytes side by side in one vector register (SSE2 on x86-64, NEON on
// arm64). A comparison sets a lane to all ones where it holds and to 0
// elsewhere.
using Bytes = uint8_t __attribute__((vector_size(16)));
using Lanes = int8_t __attribute__((vector_size(16)));
constexpr int64_t kVectorBytes = sizeof(Bytes);

Bytes load(const uint8_t* bytes) {
  Bytes vector;
  memcpy(&vector, bytes, sizeof vector);
  return vector;
}

// Lane i is all ones where a whole marker begins at bytes + i: the four bytes
// are tested at once, each against its own shifted load, so how many FF bytes
// the image holds does not matter. Reads bytes[0 .. kVectorBytes + 2].
Lanes markers_at(const uint8_t* bytes) {
  return (load(bytes) == 0xFF) & (load(bytes + 1) == 0x40) & (load(bytes + 2) == 0x44) &
         ((load(bytes + 3) | 1) == 0x03);
}

bool any_lane(Lanes lanes) {
  uint64_t halves[2];
  memcpy(halves, &lanes, sizeof halves);
  return (halves[0] | halves[1]) != 0;
}

// Candidate starts tested per step: four vectors, one branch.
constexpr int64_t kStepStarts = 4 * kVectorBytes;

} // namespace

int32_t find_next_marker(const uint8_t* image, int32_t length, int32_t start) {
  if (image == nullptr || start < 0) {
    return -1;
  }
  // A marker starts at p only if p + 4 <= length. Whole steps run while every
  // start in the step can hold a marker (the step then reads no byte past
  // lastStart + 3 = length - 1); the step that holds the first marker, and
  // the last starts, are tested one by one.
  int64_t p = start;
  const int64_t lastStart = static_cast<int64_t>(length) - kMarkerSize;
  for (; p + kStepStarts - 1 <= lastStart; p += kStepStarts) {
    const uint8_t* step = image + p;
    const Lanes found = markers_at(step) | markers_at(step + kVectorBytes) |
                        markers_at(step + 2 * kVectorBytes) | markers_at(step + 3 * kVectorBytes);
    if (any_lane(found)) {
      break;
    }
  }
  for (; p <= lastStart; ++p) {
    if (marker_at(image + p)) {
      return static_cast<int32_t>(p + kMarkerSize);
    }
  }
  return -1;
}

CategoryRecord read_record(const uint8_t* image, int32_t length, int32_t start) {
  CategoryRecord record;
  record.start = start;
  record.kind = image[start - 1];
  // In 64 bits none of these sums can overflow, whatever L the file holds.
  const int64_t end = length;
  const int64_t nameBytes = end - start < static_cast<int64_t>(kNameFieldSize) - 1
                                ? end - start
                                : static_cast<int64_t>(kNameFieldSize) - 1;
  strncpy(record.name, reinterpret_cast<const char*>(image + start),
          static_cast<size_t>(nameBytes));
  if (start + kRecordTextAt > end) {
    return record;
  }
  record.headerFits = true;
  record.check = image + start + kRecordCheckAt;
  record.textLength = read_be32(image + start + kRecordLengthAt);
  if (start + kRecordTextAt + cipher_size(record.textLength) <= end) {
    record.fits = true;
    record.cipherText = image + start + kRecordTextAt;
  }
  return record;
}
