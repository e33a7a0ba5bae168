// The constant-time check of the password's upper-casing, run under
// valgrind's memcheck like ct_check: every byte is marked undefined, so a
// branch or a table index on any of them (toupper's table would be one)
// fails the run. The length is public, as it is in ct_check.
#include <valgrind/memcheck.h>

#include <cstdio>

#include "password_prompt.h"

int main() {
  // Every byte value, so that both sides of each range test are taken.
  char text[256];
  for (int i = 0; i < 256; ++i)
    text[i] = static_cast<char>(i);
  VALGRIND_MAKE_MEM_UNDEFINED(text, sizeof text);
  upper_case_bytes(text, sizeof text);
  VALGRIND_MAKE_MEM_DEFINED(text, sizeof text);
  int wrong = 0;
  for (int i = 0; i < 256; ++i)
    wrong += text[i] != static_cast<char>(i >= 'a' && i <= 'z' ? i - 32 : i);
  std::printf("upper-casing of all 256 byte values: %d wrong\n", wrong);
  return wrong == 0 ? 0 : 1;
}
