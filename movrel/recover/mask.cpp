#include "mask.h"

#include "password_prompt.h"

namespace {

// Only the first 16 bytes of a password are folded into its key.
constexpr size_t kKeyBytes = 16;

std::string byte_range(int first, int last, bool (*keep)(int)) {
  std::string set;
  for (int c = first; c <= last; ++c) {
    if (keep(c)) {
      set += static_cast<char>(c);
    }
  }
  return set;
}

bool is_upper(int c) {
  return c >= 'A' && c <= 'Z';
}
bool is_digit(int c) {
  return c >= '0' && c <= '9';
}
bool is_symbol(int c) {
  return !is_upper(c) && !is_digit(c) && (c < 'a' || c > 'z');
}
bool not_lower(int c) {
  return c < 'a' || c > 'z';
}
bool any(int /*c*/) {
  return true;
}

// The set of class letter, or empty for an unknown class.
std::string class_set(char letter) {
  switch (letter) {
  case 'u':
    return byte_range(0x20, 0x7E, is_upper);
  case 'd':
    return byte_range(0x20, 0x7E, is_digit);
  case 's':
    return byte_range(0x20, 0x7E, is_symbol);
  case 'a':
    return byte_range(0x20, 0x7E, not_lower);
  case 'h':
    return byte_range(0x80, 0xFF, any);
  case '?':
    return "?";
  default:
    return "";
  }
}

} // namespace

bool parse_mask(const std::string& mask, std::vector<std::string>& positions, std::string& error) {
  positions.clear();
  if (mask.empty()) {
    error = "malformed mask: it is empty";
    return false;
  }
  for (size_t i = 0; i < mask.size(); ++i) {
    std::string set;
    if (mask[i] != '?') {
      char literal[2] = {mask[i], '\0'};
      upper_case(literal);
      set = literal;
    } else if (i + 1 == mask.size()) {
      error = "malformed mask " + mask + ": it ends in a lone ?";
      return false;
    } else {
      set = class_set(mask[++i]);
      if (set.empty()) {
        error = "malformed mask " + mask + ": unknown class ?" + mask[i] +
                " (the classes are ?u ?d ?s ?a ?h and ?\?)";
        return false;
      }
    }
    if (positions.size() < kKeyBytes) {
      positions.push_back(set);
    }
  }
  return true;
}
