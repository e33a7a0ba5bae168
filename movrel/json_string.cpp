#include "json_string.h"

#include "utf8_text.h"

#include <cstdint>

namespace {

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
