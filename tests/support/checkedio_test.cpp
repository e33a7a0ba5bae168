// The checked stream operations: null streams, short reads, failed writes.
#include "myfile.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

class CheckedIo : public testing::Test {
protected:
  void TearDown() override {
    current_src_line = 0;
    current_src_file = "(unknown)";
  }
};

TEST_F(CheckedIo, WarningFormsOnNullStream) {
  char buffer[4];
  CaptureStderr();
  EXPECT_EQ(wfprintf(nullptr, "x"), -1);
  EXPECT_EQ(wfwrite("ab", 1, 2, nullptr, 0, ""), -1);
  EXPECT_EQ(wfread(buffer, 1, 2, nullptr, 0, ""), -1);
  EXPECT_EQ(GetCapturedStderr(), "WARNING: can't write to file, file pointer is NULL\n"
                                 "WARNING: can't write to file, file pointer is NULL\n"
                                 "WARNING: can't read from file, file pointer is NULL\n");
}

TEST_F(CheckedIo, ItemOperationsStoreTheLocationFirst) {
  char buffer[4];
  CaptureStderr();
  wfread(buffer, 1, 2, nullptr, 31, "reader");
  EXPECT_EQ(GetCapturedStderr(), "WARNING: can't read from file, file pointer is NULL (line 31, file reader)\n");
  // Stored even when nothing fails.
  FILE* stream = tmpfile();
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(wfwrite("abc", 1, 3, stream, 8, "writer"), 3);
  EXPECT_EQ(current_src_line, 8);
  EXPECT_EQ(std::string(current_src_file), "writer");
  fclose(stream);
}

TEST_F(CheckedIo, PrintfFormsKeepTheEarlierLocation) {
  current_src_line = 44;
  current_src_file = "earlier";
  CaptureStderr();
  wfprintf(nullptr, "x");
  EXPECT_EQ(GetCapturedStderr(), "WARNING: can't write to file, file pointer is NULL (line 44, file earlier)\n");
}

TEST_F(CheckedIo, ShortReadWarnsAndReturnsTheCount) {
  FILE* stream = tmpfile();
  ASSERT_NE(stream, nullptr);
  fputs("abc", stream);
  rewind(stream);
  char buffer[8] = {};
  CaptureStderr();
  EXPECT_EQ(wfread(buffer, 1, 5, stream, 0, ""), 3);
  EXPECT_EQ(GetCapturedStderr(), "WARNING: can't read from file\n");
  EXPECT_EQ(std::string(buffer), "abc");
  rewind(stream);
  EXPECT_EXIT(efread(buffer, 1, 5, stream, 0, ""), testing::ExitedWithCode(1), "^ERROR: can't read from file\n$");
  fclose(stream);
}

TEST_F(CheckedIo, FailedWritesAreReported) {
  FILE* readOnly = fopen("/dev/null", "r");
  ASSERT_NE(readOnly, nullptr);
  CaptureStderr();
  EXPECT_EQ(wfwrite("ab", 1, 2, readOnly, 0, ""), 0);
  EXPECT_LT(wfprintf(readOnly, "%s", "text"), 0);
  EXPECT_EQ(GetCapturedStderr(), "WARNING: can't write to file\nWARNING: can't write to file\n");
  EXPECT_EXIT(efwrite("ab", 1, 2, readOnly, 0, ""), testing::ExitedWithCode(1), "^ERROR: can't write to file\n$");
  EXPECT_EXIT(efprintf(nullptr, "x"), testing::ExitedWithCode(1),
              "^ERROR: can't write to file, file pointer is NULL\n$");
  fclose(readOnly);
}

TEST_F(CheckedIo, SuccessfulOperationsReturnTheirCounts) {
  FILE* stream = tmpfile();
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(efprintf(stream, "%d-%s", 12, "ab"), 5);
  EXPECT_EQ(efwrite("xyz", 1, 3, stream, 0, ""), 3);
  rewind(stream);
  char buffer[9] = {};
  EXPECT_EQ(efread(buffer, 1, 8, stream, 0, ""), 8);
  EXPECT_EQ(std::string(buffer), "12-abxyz");
  fclose(stream);
}

} // namespace
