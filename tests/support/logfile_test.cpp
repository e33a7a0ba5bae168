// The log file (names, append mode, time stamps, the closed state) and
// lensprintf's cut.
#include "helpers.h"
#include "myfile.h"
#include "seams.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;

std::string contents(const std::string& path) {
  std::ifstream in(path);
  return {std::istreambuf_iterator<char>(in), {}};
}

time_t fixed_time = 0;
time_t fixed_clock() {
  return fixed_time;
}

std::string open_failure(const std::string& name) {
  return "WARNING: can't open file " + name + " for `a'\n";
}

// Each test gets an empty directory whose absolute name holds no '.', so that
// only the names the test chooses decide whether ".log" is added.
class LogFile : public Diagnostics {
protected:
  void SetUp() override {
    Diagnostics::SetUp();
    char pattern[] = "/tmp/movrel-log-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    setenv("TZ", "UTC", 1);
    tzset();
  }
  void TearDown() override {
    logclose();
    myfile_clock_hook = saved_clock_;
    fs::remove_all(dir_);
    Diagnostics::TearDown();
  }
  std::string at(const std::string& name) const { return dir_ + "/" + name; }

  std::string dir_;
  time_t (*saved_clock_)(void) = myfile_clock_hook;
};

TEST_F(LogFile, SuffixIsAddedOnlyToNamesWithoutADotAnywhere) {
  ASSERT_EQ(mkdir(at("logs.d").c_str(), 0700), 0);
  for (const char* name : {"run", "run.txt", "logs.d/run", "./plain"}) {
    ASSERT_EQ(logopen(at(name).c_str()), 0) << name;
    EXPECT_EQ(logclose(), 0);
  }
  for (const char* made : {"run.log", "run.txt", "logs.d/run", "plain"}) {
    EXPECT_TRUE(fs::exists(at(made))) << made;
  }
  for (const char* absent : {"run.txt.log", "logs.d/run.log", "plain.log"}) {
    EXPECT_FALSE(fs::exists(at(absent))) << absent;
  }
}

TEST_F(LogFile, FailedOpenWarnsWithTheExtendedNameAndLeavesNoLog) {
  ASSERT_EQ(logopen(at("first").c_str()), 0);
  FILE* earlier = log_file;
  EXPECT_EQ(stderr_of([&] { EXPECT_EQ(logopen(at("no-such-dir/run").c_str()), -1); }),
            open_failure(at("no-such-dir/run.log")));
  EXPECT_EQ(log_file, nullptr);
  fclose(earlier); // logopen neither closed nor kept it
}

TEST_F(LogFile, NamesUpTo999CharactersInAllOpen) {
  // Real directories make an absolute name of 995 characters, 999 with ".log".
  std::string path = dir_;
  while (path.size() + 201 < 995) {
    path += "/" + std::string(200, 'd');
    ASSERT_EQ(mkdir(path.c_str(), 0700), 0);
  }
  path += "/" + std::string(995 - path.size() - 1, 'n');
  const std::string dotted = path.substr(0, 991) + ".txtabcd"; // 999 characters
  for (const std::string& name : {path, dotted}) {
    ASSERT_EQ(logopen(name.c_str()), 0);
    logclose();
  }
  EXPECT_TRUE(fs::exists(path + ".log"));
  EXPECT_TRUE(fs::exists(dotted));
  // One more character leaves no room: the open fails with wfopen's warning.
  EXPECT_EQ(stderr_of([&] {
              EXPECT_EQ(logopen((path + "n").c_str()), -1);
              EXPECT_EQ(logopen((dotted + "e").c_str()), -1);
            }),
            open_failure(path + "n.log") + open_failure(dotted + "e"));
  EXPECT_EQ(log_file, nullptr);
}

TEST_F(LogFile, LinesCarryTheLocalTimeStampAndAppend) {
  myfile_clock_hook = fixed_clock;
  std::ofstream(at("t.log")) << "old line\n";
  ASSERT_EQ(logopen(at("t").c_str()), 0);
  fixed_time = 1615107933; // 2021-03-07 09:05:33 UTC
  logprintf("started %d of %s", 3, "four");
  EXPECT_EQ(contents(at("t.log")), "old line\nMar  7 09:05: started 3 of four\n"); // flushed
  logclose();
  setenv("TZ", "JST-9", 1); // nine hours east of UTC
  tzset();
  ASSERT_EQ(logopen(at("t").c_str()), 0);
  fixed_time = 1640476773; // 2021-12-25 23:59:33 UTC
  logprintf("done");
  logclose();
  EXPECT_EQ(contents(at("t.log")),
            "old line\nMar  7 09:05: started 3 of four\nDec 26 08:59: done\n");
}

TEST_F(LogFile, RealClockGivesTheCurrentMinute) {
  ASSERT_EQ(logopen(at("now").c_str()), 0);
  const time_t before = time(nullptr);
  logprintf("tick");
  const time_t after = time(nullptr);
  logclose();
  auto line = [](time_t t) { return std::string(ctime(&t)).substr(4, 12) + ": tick\n"; };
  const std::string written = contents(at("now.log"));
  EXPECT_TRUE(written == line(before) || written == line(after)) << written;
}

TEST_F(LogFile, ClosedLogWarnsEveryTimeWithoutLocationAndWritesNothing) {
  ASSERT_EQ(logopen(at("c").c_str()), 0);
  EXPECT_EQ(logclose(), 0);
  EXPECT_EQ(logclose(), 0);
  current_src_line = 40;
  EXPECT_EQ(stderr_of([] {
              logprintf("lost %d", 1);
              logprintf("lost %d", 2);
            }),
            "WARNING: log file not open\nWARNING: log file not open\n");
  EXPECT_STREQ(current_src_file, "myfile");
  EXPECT_EQ(contents(at("c.log")), "");
}

TEST(LenSprintf, CutsToLengthMinusOneAndWritesNothingBeyond) {
  char buffer[10];
  memset(buffer, '#', sizeof buffer);
  lensprintf(buffer, 6, "%s%d", "abcdef", 12);
  EXPECT_STREQ(buffer, "abcde");
  EXPECT_EQ(buffer[6], '#');
  lensprintf(buffer, 10, "%c%c", 'o', 'k'); // shorter: arrives whole
  EXPECT_STREQ(buffer, "ok");
  lensprintf(buffer, 10, "<%s>", buffer); // the buffer may be one of the values
  EXPECT_STREQ(buffer, "<ok>");
  lensprintf(buffer, 1, "anything");
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(buffer[1], 'o');
}

TEST(LenSprintf, LengthsOutsideTheRangeAreClamped) {
  std::string buffer(20000, '#');
  lensprintf(&buffer[0], 0, "anything"); // taken as 1
  lensprintf(&buffer[1], -5, "anything");
  EXPECT_EQ(buffer.substr(0, 3), std::string("\0\0#", 3));
  lensprintf(&buffer[0], 20000, "%s", std::string(15000, 'm').c_str()); // taken as 10000
  EXPECT_EQ(strlen(buffer.c_str()), 9999u);
  EXPECT_EQ(buffer[10000], '#');
}

} // namespace
