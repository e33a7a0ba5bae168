#include "utf8_text.h"

size_t utf8_sequence_length(const uint8_t* bytes, size_t n) {
  const uint8_t lead = bytes[0];
  if (lead < 0x80) {
    return 1;
  }
  if (lead < 0xC0 || lead > 0xF4) { // a continuation byte, or a lead beyond U+10FFFF
    return 0;
  }
  size_t length = 4;
  uint32_t least = 0x10000; // the smallest code point a sequence of this length may carry
  if (lead < 0xE0) {
    length = 2;
    least = 0x80;
  } else if (lead < 0xF0) {
    length = 3;
    least = 0x800;
  }
  uint32_t point = lead & (0x7Fu >> length);
  if (length > n) {
    return 0;
  }
  for (size_t i = 1; i < length; ++i) {
    if ((bytes[i] & 0xC0) != 0x80) {
      return 0;
    }
    point = (point << 6) | (bytes[i] & 0x3Fu);
  }
  const bool surrogate = point >= 0xD800 && point <= 0xDFFF;
  return point >= least && point <= 0x10FFFF && !surrogate ? length : 0;
}
