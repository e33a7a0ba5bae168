#include "palm_header.h"

namespace {

constexpr int64_t kNameBytes = 32;
constexpr int64_t kRecordCountAt = 76;
constexpr int64_t kRecordListAt = 78;
constexpr int64_t kRecordEntryBytes = 8;

uint32_t be(const uint8_t* bytes, int count) {
  uint32_t value = 0;
  for (int i = 0; i < count; ++i) {
    value = value << 8 | bytes[i];
  }
  return value;
}

} // namespace

bool has_palm_header(const uint8_t* image, int32_t length) {
  if (image == nullptr || length < kRecordListAt) {
    return false;
  }
  bool named = false;
  for (int64_t at = 0; at < kNameBytes; ++at) {
    named = named || image[at] == 0;
  }
  const int64_t records = be(image + kRecordCountAt, 2);
  const int64_t listEnd = kRecordListAt + records * kRecordEntryBytes;
  if (!named || listEnd > length) {
    return false;
  }
  for (int64_t entry = kRecordListAt; entry < listEnd; entry += kRecordEntryBytes) {
    const int64_t offset = be(image + entry, 4);
    if (offset < listEnd || offset > length) {
      return false;
    }
  }
  return true;
}
