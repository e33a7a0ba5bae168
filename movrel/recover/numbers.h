// Numbers on recover's command line and in what it prints.
#ifndef MOVREL_MOVREL_RECOVER_NUMBERS_H
#define MOVREL_MOVREL_RECOVER_NUMBERS_H

#include <cstdint>
#include <string>

// A decimal number in [low, high] (up to 2^64 - 1), or false.
bool parse_count(const std::string& text, uint64_t low, uint64_t high, uint64_t& value);

// A duration: a whole number followed by s, m, h or d (seconds when bare),
// as 90m or 2h; more than zero. False when malformed.
bool parse_duration(const std::string& text, uint64_t& seconds);

// 12345678 as "12,345,678".
std::string grouped(uint64_t value);

// A time to come, roughly: "40 s", "7 min", "3.5 h", "12 days", "31 years".
std::string rough_time(double seconds);

// "candidate" or "candidates" after a count.
inline const char* candidates_word(uint64_t count) {
  return count == 1 ? "candidate" : "candidates";
}

#endif
