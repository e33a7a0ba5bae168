// Text input over real streams: temporary files and pipes.
#include "alloc_probe.h"
#include "helpers.h"
#include "myfile.h"

#include <gtest/gtest.h>

#include <string>
#include <unistd.h>
#include <vector>

namespace {

using alloc_probe::Scope;

// The read end of a pipe whose writer sent bytes (within the pipe's buffer)
// and closed.
FILE* pipe_with(const std::string& bytes) {
  int fds[2];
  if (pipe(fds) != 0 ||
      write(fds[1], bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
    return nullptr;
  }
  close(fds[1]);
  return fdopen(fds[0], "r");
}

TEST(ReadLine, NewlineCutAndEndOfInputEndings) {
  FILE* in = pipe_with("abcd\nabcdefg\nabcde\ntail");
  // A newline after size - 1 characters; a cut (the e is read, not stored)
  // and the rest of that line; the last line without a newline; then the EOF
  // flag is set and the buffer is left as it was.
  const std::pair<int, const char*> calls[] = {
      {10, "abcd"}, {'e', "abcd"}, {10, "fg"}, {'e', "abcd"}, {10, ""}, {-1, "tail"}, {-1, "tail"}};
  char buffer[5];
  for (const auto& [ending, line] : calls) {
    EXPECT_EQ(readline(in, buffer, 5), ending);
    EXPECT_STREQ(buffer, line);
  }
  fclose(in);
}

TEST(ReadLine, SmallSizesAndEmptyInput) {
  FILE* in = file_with("a\n");
  char buffer[2] = {'k', 'k'};
  EXPECT_EQ(readline(in, buffer, 0), -1); // below 1: nothing read or written
  EXPECT_EQ(readline(in, buffer, -3), -1);
  EXPECT_EQ(buffer[0], 'k');
  EXPECT_EQ(readline(in, buffer, 1), 'a');
  EXPECT_EQ(buffer[0], '\0');
  EXPECT_EQ(readline(in, buffer, 1), 10);
  buffer[0] = 'k';
  EXPECT_EQ(readline(in, buffer, 2), -1); // no EOF flag yet: an empty line
  EXPECT_EQ(buffer[0], '\0');
  fclose(in);
}

TEST(ReadLine, CarriageReturnsAndZeroBytesAreStored) {
  FILE* in = file_with(std::string("a\r\0b\n", 5));
  char buffer[8];
  EXPECT_EQ(readline(in, buffer, 8), 10);
  EXPECT_EQ(std::string(buffer, 5), std::string("a\r\0b\0", 5));
  fclose(in);
}

TEST(ReadFile, WhiteSpaceFoldsAndZeroBytesVanish) {
  const std::pair<std::string, std::string> cases[] = {
      {"  Hello,\n\tworld  \n", "Hello, world "},
      {"a\v\f\r b\240\377c", "a b\240\377c"}, // isspace of the C locale only
      {std::string("x \0 y\0z", 7), "x yz"},  // a zero byte breaks no run
      {std::string(" \0\n\t\0", 5), ""},
      {"", ""}, // an empty text, not null
  };
  for (const auto& [input, folded] : cases) {
    FILE* in = pipe_with(input);
    char* text = readfile(in);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::string(text), folded);
    free1(text);
    fclose(in);
  }
}

TEST(ReadFile, NullOrFinishedStreamGivesNullAndHoldsNothing) {
  Scope probe;
  EXPECT_EQ(readfile(nullptr), nullptr);
  FILE* in = file_with("done");
  while (getc(in) != EOF) {
  }
  EXPECT_EQ(readfile(in), nullptr);
  EXPECT_TRUE(alloc_probe::live.empty());
  fclose(in);
}

TEST(ReadFile, GrowsInStepsOf10000AndAlwaysTerminates) {
  // 10000 and 20000 fill the block exactly: one more step holds the terminator.
  const std::pair<size_t, std::vector<size_t>> cases[] = {
      {25000, {10000, 20000, 30000}},
      {10000, {10000, 20000}},
      {20000, {10000, 20000, 30000}},
  };
  for (const auto& [length, steps] : cases) {
    Scope probe;
    const std::string input(length, 'k');
    FILE* in = file_with(input);
    char* text = readfile(in);
    EXPECT_EQ(std::string(text), input);
    EXPECT_EQ(alloc_probe::requests, steps) << length;
    free1(text);
    fclose(in);
  }
}

TEST(ReadFileDeathTest, ExhaustionReportsWithTheLibrarysLocation) {
  EXPECT_EXIT(alloc_probe::refusing(1, [] { readfile(file_with("text")); }),
              ::testing::ExitedWithCode(1),
              "^ERROR: can't allocate 10000 bytes for 1D array readfile "
              "\\(line [1-9][0-9]*, file myfile\\)\n$");
  EXPECT_EXIT(alloc_probe::refusing(3, [] { readfile(file_with(std::string(20001, 'g'))); }),
              ::testing::ExitedWithCode(1),
              "^ERROR: can't allocate 10000 more bytes for array readfile "
              "\\(prev 20000 bytes\\) \\(line [1-9][0-9]*, file myfile\\)\n$");
}

} // namespace
