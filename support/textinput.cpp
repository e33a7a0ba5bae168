// Line and whole-stream text input, byte by byte with getc; a read error ends
// the input like the end of the stream.
#include "myfile.h"

#include <cctype>

namespace {

// readfile's block starts at this many bytes and grows by exactly as many:
// linear growth, never doubled.
constexpr size_t kTextStep = 10000;

} // namespace

int readline(FILE* stream, char* buffer, int size) {
  if (size < 1 || feof(stream)) {
    return -1; // nothing read, buffer as it was
  }
  int i = 0;
  int c = 0;
  // Order of the tests: end of input, newline, room. So a newline right after
  // size - 1 stored characters still ends the line normally.
  for (;;) {
    c = getc(stream);
    if (c == EOF || c == '\n' || i > size - 2) {
      break;
    }
    buffer[i++] = static_cast<char>(c);
  }
  buffer[i] = '\0';
  return c; // a cut line's extra character is consumed, not stored
}

char* readfile(FILE* stream) {
  char* text = static_cast<char*>(ezmalloc(kTextStep, "readfile", __LINE__, "myfile"));
  if (stream == nullptr || feof(stream)) {
    free1(text);
    return nullptr;
  }
  // Invariant: text[length .. capacity-1] are zero bytes.
  size_t capacity = kTextStep;
  size_t length = 0;
  bool after_space = true; // drops white space at the start of the input
  int c = 0;
  while ((c = getc(stream)) != EOF) {
    // Grows before c is classified, so also for a byte that is then dropped.
    if (length >= capacity) {
      text =
          static_cast<char*>(ezrealloc(text, capacity, kTextStep, "readfile", __LINE__, "myfile"));
      capacity += kTextStep;
    }
    if (c == 0) {
      continue; // vanishes without ending a run of white space
    }
    if (isspace(c)) {
      if (!after_space) {
        text[length++] = ' ';
        after_space = true;
      }
      continue;
    }
    text[length++] = static_cast<char>(c);
    after_space = false;
  }
  // Input that filled the block to its last byte left no room for the
  // terminator: one more step provides it.
  if (length >= capacity) {
    text = static_cast<char*>(ezrealloc(text, capacity, kTextStep, "readfile", __LINE__, "myfile"));
  }
  return text;
}
