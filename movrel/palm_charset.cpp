#include "palm_charset.h"

namespace {

constexpr uint32_t kReplacement = 0xFFFD;

// 0x80-0x9F; 0 marks a byte that stands for no character.
constexpr uint16_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x2666, 0x2663, 0x2665, // 88-8F
    0x2660, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90-97
    0x02DC, 0x2122, 0x0161, 0,      0x0153, 0,      0,      0x0178, // 98-9F
};

// Writes the UTF-8 form of a code point below U+10000 to out; returns its length.
size_t encode_utf8(uint32_t point, char out[3]) {
  if (point < 0x80) {
    out[0] = static_cast<char>(point);
    return 1;
  }
  if (point < 0x800) {
    out[0] = static_cast<char>(0xC0 | (point >> 6));
    out[1] = static_cast<char>(0x80 | (point & 0x3F));
    return 2;
  }
  out[0] = static_cast<char>(0xE0 | (point >> 12));
  out[1] = static_cast<char>(0x80 | ((point >> 6) & 0x3F));
  out[2] = static_cast<char>(0x80 | (point & 0x3F));
  return 3;
}

} // namespace

uint32_t palm_code_point(uint8_t byte) {
  if (byte < 0x80 || byte >= 0xA0) {
    return byte;
  }
  const uint16_t point = kHighControls[byte - 0x80];
  return point != 0 ? point : kReplacement;
}

void append_palm_as_utf8(SecretBuffer& out, const char* text, size_t n) {
  char* next = out.reserve(n > SIZE_MAX / 3 ? SIZE_MAX : 3 * n);
  size_t written = 0;
  for (size_t i = 0; i < n; ++i) {
    written += encode_utf8(palm_code_point(static_cast<uint8_t>(text[i])), next + written);
  }
  out.commit(written);
}
