// The message layout: prefix, process number, location, copy to error_log.
#include "myfile.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <unistd.h>
#include <string>

namespace {

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

// Each test starts from the globals' start values and leaves them so.
class Messages : public testing::Test {
protected:
  void SetUp() override { reset(); }
  void TearDown() override { reset(); }
  static void reset() {
    current_src_line = 0;
    current_src_file = "(unknown)";
    error_procid = -1;
    error_log = nullptr;
  }
};

std::string contents(FILE* stream) {
  fflush(stream);
  rewind(stream);
  std::string text;
  for (int c = getc(stream); c != EOF; c = getc(stream)) {
    text += static_cast<char>(c);
  }
  return text;
}

TEST_F(Messages, WarningWithoutLocationOrProcess) {
  CaptureStderr();
  EXPECT_EQ(my_warning("value %d of %s", 42, "x"), -1);
  EXPECT_EQ(GetCapturedStderr(), "WARNING: value 42 of x\n");
}

TEST_F(Messages, LocationOnlyForPositiveLines) {
  current_src_file = "somefile";
  for (int32_t line : {0, -3}) {
    current_src_line = line;
    CaptureStderr();
    my_warning("m");
    EXPECT_EQ(GetCapturedStderr(), "WARNING: m\n") << "line " << line;
  }
  current_src_line = 1;
  current_src_file = "(unknown)";
  CaptureStderr();
  my_warning("m");
  EXPECT_EQ(GetCapturedStderr(), "WARNING: m (line 1, file (unknown))\n");
}

TEST_F(Messages, ProcessNumberUnlessMinusOne) {
  const std::pair<int32_t, const char*> cases[] = {
      {0, "WARNING process 0: m\n"}, {-2, "WARNING process -2: m\n"}, {7, "WARNING process 7: m\n"},
      {-1, "WARNING: m\n"}};
  for (const auto& [procid, expected] : cases) {
    error_procid = procid;
    CaptureStderr();
    my_warning("m");
    EXPECT_EQ(GetCapturedStderr(), expected);
  }
}

TEST_F(Messages, DebugLayoutGoesToStderrOnlyAndClearsErrno) {
  FILE* log = tmpfile();
  ASSERT_NE(log, nullptr);
  error_log = log;
  errno = EINVAL;
  CaptureStderr();
  my_debug("%s", "");
  EXPECT_EQ(errno, 0);
  my_debug("n=%d", 3);
  EXPECT_EQ(GetCapturedStderr(), "## : \n## : n=3\n");
  EXPECT_EQ(contents(log), "");
  fclose(log);
}

TEST_F(Messages, WarningIsCopiedToErrorLog) {
  FILE* log = tmpfile();
  ASSERT_NE(log, nullptr);
  error_log = log;
  error_procid = 5;
  current_src_line = 12;
  current_src_file = "here";
  CaptureStderr();
  EXPECT_EQ(my_warning("a %s", "b"), -1);
  const std::string expected = "WARNING process 5: a b (line 12, file here)\n";
  EXPECT_EQ(GetCapturedStderr(), expected);
  EXPECT_EQ(contents(log), expected);
  fclose(log);
}

// With the log and stderr the same stream, the interleaving shows the order:
// prefix, prefix, then one whole body after the other.
TEST_F(Messages, BothPrefixesComeBeforeEitherBody) {
  error_log = stderr;
  CaptureStderr();
  my_warning("w");
  EXPECT_EQ(GetCapturedStderr(), "WARNINGWARNING: w\n: w\n");
}

TEST_F(Messages, ErrorExitsWithStatusOneAfterItsLine) {
  EXPECT_EXIT(
      {
        current_src_line = 329;
        current_src_file = "myfile";
        my_error("can't allocate %ld bytes for 1D array %s", 10000L, "readfile");
      },
      testing::ExitedWithCode(1),
      "^ERROR: can't allocate 10000 bytes for 1D array readfile \\(line 329, file myfile\\)\n$");
}

TEST_F(Messages, ErrorIsCopiedToErrorLogBeforeExit) {
  char name[] = "/tmp/movrel-errlog-XXXXXX";
  const int fd = mkstemp(name);
  ASSERT_GE(fd, 0);
  close(fd);
  EXPECT_EXIT(
      {
        error_log = fopen(name, "w");
        my_error("Wrong password");
      },
      testing::ExitedWithCode(1), "^ERROR: Wrong password\n$");
  FILE* log = fopen(name, "r");
  ASSERT_NE(log, nullptr);
  EXPECT_EQ(contents(log), "ERROR: Wrong password\n");
  fclose(log);
  unlink(name);
}

} // namespace
