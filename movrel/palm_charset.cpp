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

bool palm_printable(uint8_t byte) {
  return byte >= 0x20 && byte != 0x7F && byte != 0xA0 && byte != 0xAD &&
         palm_code_point(byte) != kReplacement;
}

void append_palm_for_display(SecretBuffer& out, const char* text, size_t n) {
  const size_t start = out.size();
  append_palm_as_utf8(out, text, n);
  // Bytes below 0x20 and 0x7F stand for themselves in UTF-8, and no byte of
  // a longer sequence is below 0x80.
  for (char* c = out.data() + start; c < out.data() + out.size(); ++c) {
    const auto byte = static_cast<unsigned char>(*c);
    *c = byte < 0x20 || byte == 0x7F ? '?' : *c;
  }
}

namespace {

// The Palm byte of point, or -1.
int palm_byte_of(uint32_t point) {
  if (point < 0x80 || (point >= 0xA0 && point <= 0xFF)) {
    return static_cast<int>(point);
  }
  for (int i = 0; i < 32; ++i) {
    if (kHighControls[i] != 0 && kHighControls[i] == point) {
      return 0x80 + i;
    }
  }
  return -1;
}

} // namespace

// Strict UTF-8: no overlong forms, no surrogates. Every character of the
// Palm set lies below U+10000, so a 4-byte sequence never has a Palm byte.
size_t palm_from_utf8(const char* text, size_t n, char* out) {
  const auto* in = reinterpret_cast<const unsigned char*>(text);
  size_t written = 0;
  for (size_t i = 0; i < n;) {
    const unsigned lead = in[i];
    size_t extra = 0;
    uint32_t point = lead;
    if (lead >= 0xC2 && lead <= 0xDF) {
      extra = 1;
      point = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      extra = 2;
      point = lead & 0x0F;
    } else if (lead >= 0x80) {
      return SIZE_MAX;
    }
    if (n - i <= extra) {
      return SIZE_MAX;
    }
    for (size_t k = 1; k <= extra; ++k) {
      if ((in[i + k] & 0xC0) != 0x80) {
        return SIZE_MAX;
      }
      point = (point << 6) | (in[i + k] & 0x3F);
    }
    if ((extra == 2 && point < 0x800) || (point >= 0xD800 && point <= 0xDFFF)) {
      return SIZE_MAX;
    }
    const int byte = palm_byte_of(point);
    if (byte < 0) {
      return SIZE_MAX;
    }
    out[written++] = static_cast<char>(byte);
    i += extra + 1;
  }
  return written;
}
