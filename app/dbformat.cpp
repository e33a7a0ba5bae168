#include "dbformat.h"

#include <cstring>

namespace {

uint32_t read_be32(const uint8_t* bytes) {
  return (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) | (uint32_t{bytes[2]} << 8) |
         uint32_t{bytes[3]};
}

} // namespace

int32_t find_next_marker(const uint8_t* image, int32_t length, int32_t start) {
  if (image == nullptr || start < 0) {
    return -1;
  }
  // A marker starts at p only if p + 4 <= length; every marker starts with FF,
  // so memchr skips to the candidates.
  int64_t p = start;
  const int64_t lastStart = static_cast<int64_t>(length) - kMarkerSize;
  while (p <= lastStart) {
    const void* hit = memchr(image + p, 0xFF, static_cast<size_t>(lastStart - p + 1));
    if (hit == nullptr) {
      return -1;
    }
    p = static_cast<const uint8_t*>(hit) - image;
    if (image[p + 1] == 0x40 && image[p + 2] == 0x44 &&
        (image[p + 3] == 0x02 || image[p + 3] == 0x03)) {
      return static_cast<int32_t>(p + kMarkerSize);
    }
    ++p;
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
