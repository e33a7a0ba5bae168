#include "json_string.h"

#include <cstdint>

namespace {

// Length of the well-formed UTF-8 sequence at bytes[0..n), 0 if there is none.
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

void append_escape(SecretBuffer& out, uint8_t byte) {
  static const char kHex[] = "0123456789abcdef";
  const char* shortForm = nullptr;
  switch (byte) {
  case '"':
    shortForm = "\\\"";
    break;
  case '\\':
    shortForm = "\\\\";
    break;
  case '\b':
    shortForm = "\\b";
    break;
  case '\t':
    shortForm = "\\t";
    break;
  case '\n':
    shortForm = "\\n";
    break;
  case '\f':
    shortForm = "\\f";
    break;
  case '\r':
    shortForm = "\\r";
    break;
  default:
    break;
  }
  if (shortForm != nullptr) {
    out.append(shortForm);
    return;
  }
  const char unicode[] = {'\\', 'u', '0', '0', kHex[byte >> 4], kHex[byte & 0xF]};
  out.append(unicode, sizeof unicode);
}

} // namespace

void append_json_string(SecretBuffer& out, const char* text, size_t n) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(text);
  out.append('"');
  size_t i = 0;
  while (i < n) {
    const uint8_t byte = bytes[i];
    if (byte < 0x20 || byte == 0x7F || byte == '"' || byte == '\\') {
      append_escape(out, byte);
      ++i;
      continue;
    }
    const size_t length = utf8_sequence_length(bytes + i, n - i);
    if (length == 0) {
      out.append("\xEF\xBF\xBD"); // U+FFFD for one stray byte
      ++i;
    } else {
      out.append(text + i, length);
      i += length;
    }
  }
  out.append('"');
}
