// The checked stream operations: null streams, short reads, failed writes.
#include "helpers.h"
#include "myfile.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using CheckedIo = Diagnostics;
const testing::ExitedWithCode exits(1);

// The printf forms keep the location stored before them; the item forms store
// their own first (line 0 here: no location).
TEST_F(CheckedIo, NullStreamWarnsWithTheRightLocationOrIsFatal) {
  char buffer[4];
  current_src_line = 44;
  current_src_file = "earlier";
  EXPECT_EQ(stderr_of([&] {
              EXPECT_EQ(wfprintf(nullptr, "x"), -1);
              EXPECT_EQ(wfread(buffer, 1, 2, nullptr, 31, "reader"), -1);
              EXPECT_EQ(wfwrite("ab", 1, 2, nullptr, 0, ""), -1);
            }),
            "WARNING: can't write to file, file pointer is NULL (line 44, file earlier)\n"
            "WARNING: can't read from file, file pointer is NULL (line 31, file reader)\n"
            "WARNING: can't write to file, file pointer is NULL\n");
  EXPECT_EXIT(efprintf(nullptr, "x"), exits,
              "^ERROR: can't write to file, file pointer is NULL\n$");
}

TEST_F(CheckedIo, ShortReadWarnsAndReturnsTheCountOrIsFatal) {
  FILE* stream = file_with("abc");
  char buffer[8] = {};
  EXPECT_EQ(stderr_of([&] { EXPECT_EQ(wfread(buffer, 1, 5, stream, 0, ""), 3); }),
            "WARNING: can't read from file\n");
  EXPECT_STREQ(buffer, "abc");
  rewind(stream);
  EXPECT_EXIT(efread(buffer, 1, 5, stream, 0, ""), exits, "^ERROR: can't read from file\n$");
  fclose(stream);
}

TEST_F(CheckedIo, FailedWritesAreReported) {
  FILE* readOnly = fopen("/dev/null", "r");
  ASSERT_NE(readOnly, nullptr);
  EXPECT_EQ(stderr_of([&] {
              EXPECT_EQ(wfwrite("ab", 1, 2, readOnly, 0, ""), 0);
              EXPECT_LT(wfprintf(readOnly, "%s", "text"), 0);
            }),
            "WARNING: can't write to file\nWARNING: can't write to file\n");
  EXPECT_EXIT(efwrite("ab", 1, 2, readOnly, 0, ""), exits, "^ERROR: can't write to file\n$");
  fclose(readOnly);
}

TEST_F(CheckedIo, SuccessReturnsTheCountsAndItemFormsStillStoreTheLocation) {
  FILE* stream = tmpfile();
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(efprintf(stream, "%d-%s", 12, "ab"), 5);
  EXPECT_EQ(efwrite("xyz", 1, 3, stream, 0, ""), 3);
  EXPECT_EQ(wfwrite("abc", 1, 3, stream, 8, "writer"), 3);
  EXPECT_EQ(current_src_line, 8);
  EXPECT_STREQ(current_src_file, "writer");
  rewind(stream);
  char buffer[12] = {};
  EXPECT_EQ(efread(buffer, 1, 11, stream, 0, ""), 11);
  EXPECT_STREQ(buffer, "12-abxyzabc");
  fclose(stream);
}

} // namespace
