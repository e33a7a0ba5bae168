// The message layout: prefix, process number, location, copy to error_log.
#include "helpers.h"
#include "myfile.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <unistd.h>

namespace {

using Messages = Diagnostics;

// Starts from the globals' start values: no process number, file "(unknown)".
TEST_F(Messages, ProcessNumberUnlessMinusOneAndLocationOnlyForPositiveLines) {
  struct Case {
    int32_t procid;
    int32_t line;
    const char* expected;
  };
  const Case cases[] = {
      {-1, 0, "WARNING: value 42 of x\n"},
      {-1, -3, "WARNING: value 42 of x\n"},
      {-1, 1, "WARNING: value 42 of x (line 1, file (unknown))\n"},
      {0, 0, "WARNING process 0: value 42 of x\n"},
      {-2, 0, "WARNING process -2: value 42 of x\n"},
      {7, 12, "WARNING process 7: value 42 of x (line 12, file (unknown))\n"},
  };
  for (const Case& c : cases) {
    error_procid = c.procid;
    current_src_line = c.line;
    EXPECT_EQ(stderr_of([] { EXPECT_EQ(my_warning("value %d of %s", 42, "x"), -1); }), c.expected);
  }
}

TEST_F(Messages, DebugGoesToStderrOnlyAndClearsErrnoWhileWarningsAreCopied) {
  FILE* log = tmpfile();
  ASSERT_NE(log, nullptr);
  error_log = log;
  errno = EINVAL;
  const std::string written = stderr_of([] {
    my_debug("%s", "");
    EXPECT_EQ(errno, 0);
    my_debug("n=%d", 3);
    error_procid = 5;
    current_src_line = 12;
    current_src_file = "here";
    my_warning("a %s", "b");
  });
  const std::string warning = "WARNING process 5: a b (line 12, file here)\n";
  EXPECT_EQ(written, "## : \n## : n=3\n" + warning);
  EXPECT_EQ(contents(log), warning);
  fclose(log);
}

// With the log and stderr the same stream, the interleaving shows the order:
// prefix, prefix, then one whole body after the other.
TEST_F(Messages, BothPrefixesComeBeforeEitherBody) {
  error_log = stderr;
  EXPECT_EQ(stderr_of([] { my_warning("w"); }), "WARNINGWARNING: w\n: w\n");
}

TEST_F(Messages, ErrorExitsWithStatusOneAfterItsLineAndCopiesIt) {
  char name[] = "/tmp/movrel-errlog-XXXXXX";
  ASSERT_EQ(close(mkstemp(name)), 0);
  EXPECT_EXIT(
      {
        error_log = fopen(name, "w");
        current_src_line = 329;
        current_src_file = "myfile";
        my_error("can't allocate %ld bytes for 1D array %s", 10000L, "readfile");
      },
      testing::ExitedWithCode(1),
      "^ERROR: can't allocate 10000 bytes for 1D array readfile \\(line 329, file myfile\\)\n$");
  FILE* log = fopen(name, "r");
  unlink(name);
  ASSERT_NE(log, nullptr);
  EXPECT_EQ(contents(log),
            "ERROR: can't allocate 10000 bytes for 1D array readfile (line 329, file myfile)\n");
  fclose(log);
}

} // namespace
