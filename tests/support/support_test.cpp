// The support library, a test per concern. A test's standard error is its
// record: the library's own messages, and what the test notes with say().
// The record must equal expected/<test name>.txt, where "@" stands for the
// test's working directory and "//" for a run of slashes. After a deliberate
// change, MOVREL_UPDATE=1 in the environment rewrites the records. The fatal
// open and read messages the viewer shows are pinned by the end-to-end
// cases, and the sanitizer build's leak checker sees any block a failure
// path drops.
#include "myfile.h"
#include "seams.h"
#include "tool_runner.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <tuple>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Notes a line in the record, bytes other than printable ASCII as \xNN.
void say(const std::string& text) {
  for (unsigned char c : text)
    c >= 32 && c < 127 ? fputc(c, stderr) : fprintf(stderr, "\\x%02X", c);
  fputc('\n', stderr);
}

// Notes a path getpath or getpathdir answered, and releases it.
void say(char* path) {
  say(path != nullptr ? path : "(none)");
  free(path);
}

// The allocator behind myfile's hooks while one exists: notes the size of
// each request, refuses request number `refused` (from 1; 0: none) and hands
// out bytes of 0xA5, so that a missing zero fill shows.
struct Probe {
  static inline size_t requests = 0, refused = 0;
  static bool grant(size_t n) {
    fprintf(stderr, "request %zu: %zu bytes\n", ++requests, n);
    return requests != refused;
  }
  explicit Probe(size_t refuse = 0) {
    std::tie(requests, refused) = std::make_tuple(0, refuse);
    myfile_malloc_hook = [](size_t n) {
      return grant(n) ? memset(malloc(n + 8), 0xA5, n + 8) : nullptr;
    };
    myfile_realloc_hook = [](void* p, size_t n) { return grant(n) ? realloc(p, n) : nullptr; };
  }
  ~Probe() { std::tie(myfile_malloc_hook, myfile_realloc_hook) = saved_; }
  std::pair<void* (*)(size_t), void* (*)(void*, size_t)> saved_{myfile_malloc_hook,
                                                                myfile_realloc_hook};
};

// Each test runs in a fresh copy of tree/ (x, a/x, b/x, a/only-a, b/only-b,
// sub/y; a path without '.'), with the diagnostics globals as the program
// started and the time zone UTC, its standard error recorded.
class Support : public testing::Test {
protected:
  void SetUp() override {
    char pattern[] = "/tmp/movrel-support-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    fs::copy(MOVREL_SOURCE_DIR "/tests/support/tree", pattern, fs::copy_options::recursive);
    fs::current_path(pattern);
    root_ = fs::current_path().string();
    setenv("TZ", "UTC", 1);
    tzset();
    testing::internal::CaptureStderr();
  }
  void TearDown() override {
    std::string record = testing::internal::GetCapturedStderr();
    for (size_t at = 0; (at = record.find(root_, at)) != std::string::npos;)
      record.replace(at, root_.size(), "@");
    record = std::regex_replace(record, std::regex("///+"), "//"); // a run of slashes: "//"
    const auto* test = testing::UnitTest::GetInstance()->current_test_info();
    const std::string expected =
        MOVREL_SOURCE_DIR "/tests/support/expected/" + std::string(test->name()) + ".txt";
    if (getenv("MOVREL_UPDATE") != nullptr) // after a deliberate change: rewrite the record
      std::ofstream(expected, std::ios::binary) << record;
    EXPECT_EQ(record, slurp(expected));
    std::tie(current_src_line, current_src_file, error_procid, error_log) = kStart;
    fs::current_path(previous_);
    fs::remove_all(root_);
  }
  static inline const auto kStart =
      std::make_tuple(current_src_line, current_src_file, error_procid, error_log);
  std::string root_;
  fs::path previous_ = fs::current_path();
};

TEST_F(Support, Messages) {
  for (const auto& [procid, line] : {std::pair{-1, 0}, {-2, -3}, {0, 12}}) {
    std::tie(error_procid, current_src_line) = std::make_tuple(procid, line);
    EXPECT_EQ(my_warning("%d of %s", 42, "x"), -1);
  }
  // Debug lines go to stderr only and clear errno; warnings are copied to
  // error_log.
  std::tie(error_procid, current_src_line, error_log) = std::make_tuple(-1, 0, fopen("copy", "w"));
  errno = EINVAL;
  my_debug("n=%d", 3);
  EXPECT_EQ(errno, 0);
  my_warning("w");
  say(slurp("copy")); // flushed at once
  fclose(error_log);
}

TEST_F(Support, SearchPath) {
  // Category 0: "a", and b as an absolute name ending in "/" (which gets no
  // second one); category 1: a candidate too long to try, then b.
  const std::string fits = "b" + std::string(800, '/'), overlong = "a" + std::string(PATH_MAX, '/');
  const std::pair<std::string, int32_t> dirs[] = {
      {"a", 0}, {root_ + "/b/", 0}, {overlong, 1}, {fits, 1}};
  for (const auto& [dir, cat] : dirs)
    adddir(dir.c_str(), cat);
  // sub/y with slashes enough that the candidate has n characters
  auto y = [&](size_t n) { return "sub" + std::string(n - root_.size() - 5, '/') + "y"; };
  const std::pair<int32_t, std::string> lookups[] = {
      {0, "x"}, {0, "only-a"}, {0, "only-b"}, {0, "sub/y"},  {0, root_ + "/a/x"}, {0, "nowhere"},
      {0, ""},  {0, y(999)},   {0, y(1000)},  {1, "only-a"}, {1, "only-b"}};
  for (const auto& [cat, name] : lookups) {
    setcat(cat);
    say(getpath(name.c_str()));
  }
  for (const char* dir : {"", "sub", "x"})
    say(getpathdir(dir));
  for (const auto& [dir, cat] : dirs)
    remdir(dir.c_str(), cat);
  // "" is stored as "."; remdir takes the first match and keeps the order.
  for (const char* dir : {"", "b", "a", "b"})
    adddir(dir, 2);
  setcat(2);
  fs::remove("x");
  remdir("", 2);
  for (const char* dir : {".", "b", "a", "b"}) {
    remdir(dir, 2);
    say(getpath("x"));
  }
}

TEST_F(Support, Arrays) {
  void* kept = nullptr; // not the platform's realloc to 0 bytes, whose null means failure
  EXPECT_NE(kept = zrealloc(zmalloc(8), 0, 0), nullptr);
  free1(kept);
  Probe probe;
  auto* p = static_cast<char*>(zmalloc(4));
  void** a = zmalloc2(3, 4); // the pointer table, then each row in order
  void*** b = zmalloc3(2, 1, 4);
  // NOLINTNEXTLINE(bugprone-not-null-terminated-result): bytes, not a string
  memcpy(p, "abcd", 4);
  p = static_cast<char*>(zrealloc(p, 4, 3)); // the old bytes kept, the added zeroed
  void* list = nullptr;
  for (uint32_t count = 0; count < 3; ++count) // appends resize once each
    list = zadd(list, count, sizeof count, &count);
  const uint32_t element = 9;
  // count 0 or a null array: a fresh array, the old one left alone
  void* fresh[] = {zadd(list, 0, 4, &element), zadd(nullptr, 7, 4, &element)};
  auto bytes = [](void* block, size_t n) { return std::string(static_cast<char*>(block), n); };
  say(bytes(p, 7) + bytes(a[2], 4) + bytes(*b[1], 4) + bytes(list, 12) + bytes(fresh[0], 4) +
      bytes(fresh[1], 4));
  // A refused request leaves nothing behind: zmalloc2 at its table or a
  // row, zmalloc3 at its second plane.
  for (size_t refused = 1; refused <= 7; ++refused) {
    Probe inner(refused);
    EXPECT_EQ(refused <= 4 ? static_cast<void*>(zmalloc2(3, 8)) : zmalloc3(2, 2, 4), nullptr);
  }
  say(bytes(list, 12));
  for (void* block : {static_cast<void*>(p), list, fresh[0], fresh[1]})
    free1(block);
  free2(a, 3);
  free3(b, 2, 1);
}

TEST(ArraysDeathTest, ExhaustionReportsTheSizeAndTheCaller) {
  const std::tuple<size_t, void (*)(), const char*> failures[] = {
      // Request 5 is a row; the message counts the rows' bytes only.
      {5, [] { ezmalloc2(10, 400, "grid", 7, "g"); },
       "4000 bytes for 2D array grid \\(line 7, file g\\)"},
      // The count as passed, although a null array makes zadd take it as 0.
      {1, [] { ezadd(nullptr, 3, 8, "12345678", "items", 12, "i"); },
       "8 more bytes for array items \\(prev 24 bytes\\) \\(line 12, file i\\)"},
  };
  for (const auto& [refused, call, message] : failures)
    EXPECT_EXIT((Probe(refused), call()), testing::ExitedWithCode(1),
                std::string("^(request .*\n)*ERROR: can't allocate ") + message + "\n$");
}

TEST_F(Support, TextInput) {
  // readline with sizes 5, 1 and 0: a newline after size - 1 characters; a
  // cut (the character is read, not stored) and the rest of that line;
  // carriage returns and zero bytes stored; the last line without a newline;
  // then the EOF flag is set: the buffer is left as it was.
  const char lines[] = "abcd\nabcdefg\nabcde\nb\r\0c\ntail";
  FILE* in = file_with(std::string(lines, sizeof lines - 1));
  char buffer[5];
  for (int size : {5, 5, 5, 5, 5, 1, 5, 5, 5, 0}) {
    const int ending = readline(in, buffer, size);
    say(std::to_string(ending) + " " + std::string(buffer, 4));
  }
  fclose(in);
  // readfile: each run of white space (of the C locale) one space, zero
  // bytes gone (within a run too); steps of 10000 bytes, one more when the
  // text fills the block, for the terminator; null at the end of the stream.
  const char spaced[] = "  a,\n\t\v\f\rb \0 c\240\377\0d  \n";
  for (const std::string& input : {std::string(spaced, sizeof spaced - 1), std::string(),
                                   std::string(10000, 'k'), std::string(25000, 'k')}) {
    const Probe probe;
    char* text = readfile(in = file_with(input));
    say(input.size() > 100 ? std::to_string(strlen(text)) + " " + text[input.size() - 1] : text);
    EXPECT_EQ(readfile(in), nullptr);
    free(text);
    fclose(in);
  }
}

TEST_F(Support, LogFile) {
  // ".log" is added to a name without a '.' anywhere; with it the name fits
  // in 999 characters (slashes stretch one without a '.').
  auto named = [&](size_t n) { return root_ + std::string(n - root_.size() - 1, '/') + "n"; };
  fs::create_directory("logs.d");
  for (const std::string& name : {std::string("logs.d/run"), named(995), named(996)}) {
    EXPECT_EQ(logopen(name.c_str()), name.size() > 995 ? -1 : 0) << name;
    logclose();
  }
  say(std::to_string(fs::exists("logs.d/run")) + std::to_string(fs::exists("n.log")));
  // Lines carry the local minute, are appended and are flushed at once.
  std::ofstream("t.log") << "old\n";
  ASSERT_EQ(logopen("t"), 0);
  myfile_clock_hook = [] { return time_t{1615107933}; }; // 2021-03-07 09:05:33 UTC
  logprintf("started %d of %s", 3, "four");
  say(slurp("t.log"));
  logclose();
  current_src_line = 40; // a closed log warns every time, without a location
  logprintf("lost");
  logprintf("lost");
  say(slurp("t.log"));
}

TEST_F(Support, LenSprintf) {
  // Cut to length - 1 and terminated; the buffer may be one of the values;
  // lengths outside 1 to 10000 are clamped.
  std::string buffer(20000, '#');
  lensprintf(&buffer[0], 6, "%s%d", "abcdef", 12);
  say(buffer.substr(0, 7));
  lensprintf(&buffer[0], 10, "<%s>", buffer.c_str());
  lensprintf(&buffer[1], -5, "anything");
  say(buffer.substr(0, 9));
  lensprintf(&buffer[0], 20000, "%s", std::string(15000, 'm').c_str());
  say(std::to_string(strlen(buffer.c_str())) + buffer[10000]);
}

} // namespace
