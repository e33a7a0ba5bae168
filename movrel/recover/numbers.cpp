#include "numbers.h"

#include <cstdio>

bool parse_count(const std::string& text, uint64_t low, uint64_t high, uint64_t& value) {
  if (text.empty() || text.size() > 20 ||
      text.find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  uint64_t number = 0;
  for (char digit : text) {
    if (__builtin_mul_overflow(number, 10, &number) ||
        __builtin_add_overflow(number, static_cast<uint64_t>(digit - '0'), &number)) {
      return false;
    }
  }
  value = number;
  return value >= low && value <= high;
}

bool parse_duration(const std::string& text, uint64_t& seconds) {
  uint64_t unit = 1;
  std::string digits = text;
  if (!text.empty()) {
    switch (text.back()) {
    case 's':
      unit = 1;
      break;
    case 'm':
      unit = 60;
      break;
    case 'h':
      unit = 3600;
      break;
    case 'd':
      unit = 86400;
      break;
    default:
      unit = 0;
    }
    if (unit != 0) {
      digits.pop_back();
    } else {
      unit = 1;
    }
  }
  uint64_t count = 0;
  if (!parse_count(digits, 1, UINT64_MAX / unit, count)) {
    return false;
  }
  seconds = count * unit;
  return true;
}

std::string grouped(uint64_t value) {
  std::string digits = std::to_string(value);
  for (size_t at = digits.size(); at > 3; at -= 3) {
    digits.insert(at - 3, ",");
  }
  return digits;
}

std::string rough_time(double seconds) {
  char text[64];
  if (seconds < 90) {
    snprintf(text, sizeof text, "%.0f s", seconds);
  } else if (seconds < 90 * 60) {
    snprintf(text, sizeof text, "%.0f min", seconds / 60);
  } else if (seconds < 48 * 3600) {
    snprintf(text, sizeof text, "%.1f h", seconds / 3600);
  } else if (seconds < 730 * 86400.0) {
    snprintf(text, sizeof text, "%.0f days", seconds / 86400);
  } else {
    snprintf(text, sizeof text, "%.0f years", seconds / (365.25 * 86400));
  }
  return text;
}
