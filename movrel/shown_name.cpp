#include "shown_name.h"

#include "palm_charset.h"

#include <cstring>

void append_shown_name(SecretBuffer& out, const char* palmName) {
  const size_t start = out.size();
  append_palm_as_utf8(out, palmName, strlen(palmName));
  // The UTF-8 form holds no C1 control: Palm OS 0x80-0x9F are printable or U+FFFD.
  for (char* c = out.data() + start; c != out.data() + out.size(); ++c) {
    const auto byte = static_cast<unsigned char>(*c);
    *c = byte < 0x20 || byte == 0x7F ? '?' : *c;
  }
}

std::string shown_name(const char* palmName) {
  SecretBuffer name;
  append_shown_name(name, palmName);
  return {name.data(), name.size()};
}
