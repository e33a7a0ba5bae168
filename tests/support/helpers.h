// Small helpers shared by the support tests.
#ifndef MOVREL_TESTS_SUPPORT_HELPERS_H
#define MOVREL_TESTS_SUPPORT_HELPERS_H

#include "myfile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

// What f wrote to stderr.
template <class F> std::string stderr_of(F f) {
  testing::internal::CaptureStderr();
  f();
  return testing::internal::GetCapturedStderr();
}

// The whole of stream, read from its start.
inline std::string contents(FILE* stream) {
  fflush(stream);
  rewind(stream);
  std::string text;
  for (int c = getc(stream); c != EOF; c = getc(stream)) {
    text += static_cast<char>(c);
  }
  return text;
}

// A temporary file holding bytes, positioned at its start.
inline FILE* file_with(const std::string& bytes) {
  FILE* stream = tmpfile();
  fwrite(bytes.data(), 1, bytes.size(), stream);
  rewind(stream);
  return stream;
}

// The diagnostics globals as the program started (taken before main, so the
// tests that expect no process number and the file "(unknown)" check them),
// and a fixture that puts them back around each test.
struct Diagnostics : testing::Test {
  struct Globals {
    int32_t line;
    const char* file;
    int32_t procid;
    FILE* log;
  };
  static inline const Globals at_start{current_src_line, current_src_file, error_procid, error_log};
  static void restore() {
    current_src_line = at_start.line;
    current_src_file = at_start.file;
    error_procid = at_start.procid;
    error_log = at_start.log;
  }
  void SetUp() override { restore(); }
  void TearDown() override { restore(); }
};

#endif
