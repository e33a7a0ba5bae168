#include "shown_name.h"

#include "palm_charset.h"

#include <cstring>

void append_shown_name(SecretBuffer& out, const char* palmName) {
  append_palm_for_display(out, palmName, strlen(palmName));
}

std::string shown_name(const char* palmName) {
  SecretBuffer name;
  append_shown_name(name, palmName);
  return {name.data(), name.size()};
}
