// The search order of relative names, the directory list and the mode words.
#include "myfile.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

// A scratch tree, entered as the working directory:
//   <root>/x            <root>/a/x   <root>/b/x   <root>/sub/y
// Each file holds its own relative path, so a read tells which one opened.
class Search : public testing::Test {
protected:
  void SetUp() override {
    char pattern[] = "/tmp/movrel-search-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = fs::canonical(pattern);
    previous_ = fs::current_path();
    for (const char* dir : {"a", "b", "sub"}) {
      fs::create_directory(root_ / dir);
    }
    for (const char* file : {"x", "a/x", "b/x", "a/only-a", "b/only-b", "sub/y"}) {
      std::ofstream(root_ / file) << file;
    }
    fs::current_path(root_);
    setcat(0);
  }
  void TearDown() override {
    fs::current_path(previous_);
    fs::remove_all(root_);
    setcat(0);
  }

  // Which scratch file a search for name opened, or "" when none did.
  static std::string opened(const char* name) {
    char* path = getpath(name);
    if (path == nullptr) {
      return "";
    }
    std::ifstream in(path);
    free(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  fs::path root_;
  fs::path previous_;
};

TEST_F(Search, WorkingDirectoryComesFirst) {
  adddir("a", 0);
  EXPECT_EQ(opened("x"), "x");
  EXPECT_EQ(opened("only-a"), "a/only-a");
  remdir("a", 0);
}

TEST_F(Search, RelativeNameWithDirectoryPart) {
  char* path = getpath("sub/y");
  ASSERT_NE(path, nullptr);
  EXPECT_EQ(std::string(path), (root_ / "sub/y").string());
  free(path);
}

TEST_F(Search, OnlyTheCurrentCategoryIsSearched) {
  adddir("a", 0);
  adddir((root_ / "b").c_str(), 1);
  EXPECT_EQ(opened("only-b"), "");
  setcat(1);
  EXPECT_EQ(opened("only-b"), "b/only-b");
  EXPECT_EQ(opened("only-a"), "");
  remdir("a", 0);
  remdir((root_ / "b").c_str(), 1);
}

TEST_F(Search, CandidatePathsAreJoinedWithOneSlash) {
  const std::string absolute = (root_ / "b").string() + "/";
  adddir(absolute.c_str(), 0);
  adddir("a", 0);
  char* path = getpath("only-b");
  ASSERT_NE(path, nullptr);
  EXPECT_EQ(std::string(path), absolute + "only-b");
  free(path);
  path = getpath("only-a");
  ASSERT_NE(path, nullptr);
  EXPECT_EQ(std::string(path), root_.string() + "/a/only-a");
  free(path);
  remdir(absolute.c_str(), 0);
  remdir("a", 0);
}

TEST_F(Search, EmptyDirectoryTextIsStoredAsDot) {
  fs::current_path(root_ / "sub");
  adddir("", 0);
  char* path = getpath("y");
  ASSERT_NE(path, nullptr);
  EXPECT_EQ(std::string(path), (root_ / "sub").string() + "/y");
  free(path);
  CaptureStderr();
  remdir("", 0);
  EXPECT_EQ(GetCapturedStderr(), "WARNING:  not on directory list 0\n");
  remdir(".", 0);
  CaptureStderr();
  remdir(".", 0);
  EXPECT_EQ(GetCapturedStderr(), "WARNING: . not on directory list 0\n");
}

TEST_F(Search, RemdirTakesTheFirstMatchAndKeepsOrder) {
  adddir("b", 0);
  adddir("a", 0);
  adddir("b", 0);
  remdir("b", 0); // the first "b" goes; "a" now comes before "b"
  // only a/x and b/x exist besides ./x: hide ./x by asking for a name only
  // the list directories hold in both.
  fs::remove(root_ / "x");
  EXPECT_EQ(opened("x"), "a/x");
  remdir("a", 0);
  EXPECT_EQ(opened("x"), "b/x");
  remdir("b", 0);
  EXPECT_EQ(opened("x"), "");
}

TEST_F(Search, ListHoldsAtMostOneHundredEntries) {
  for (int i = 0; i < 100; ++i) {
    adddir("a", 7);
  }
  current_src_line = 5;
  CaptureStderr();
  adddir("b", 7);
  EXPECT_EQ(GetCapturedStderr(), "WARNING: can't add b to list of search directories, max 100\n");
  EXPECT_EQ(current_src_line, 0);
  EXPECT_EQ(std::string(current_src_file), "myfile");
  setcat(7);
  EXPECT_EQ(opened("only-b"), "");
  for (int i = 0; i < 100; ++i) {
    remdir("a", 7);
  }
  CaptureStderr();
  remdir("a", 7);
  EXPECT_EQ(GetCapturedStderr(), "WARNING: a not on directory list 7\n");
  current_src_file = "(unknown)";
}

TEST_F(Search, AbsoluteNamesAndMisses) {
  const std::string absolute = (root_ / "a/x").string();
  char* path = getpath(absolute.c_str());
  ASSERT_NE(path, nullptr);
  EXPECT_EQ(std::string(path), absolute);
  free(path);
  EXPECT_EQ(getpath("nowhere"), nullptr);
  EXPECT_EQ(getpath(""), nullptr);
  EXPECT_EQ(getpath(nullptr), nullptr);
}

TEST_F(Search, OverlongCandidatesDoNotOpen) {
  const std::string longName(1200, 'n');
  EXPECT_EQ(getpath(longName.c_str()), nullptr);
  const std::string longDir = std::string(990, 'd');
  adddir(longDir.c_str(), 0);
  EXPECT_EQ(opened("only-a"), "");
  remdir(longDir.c_str(), 0);
}

TEST_F(Search, GetpathdirAnswersOnlyForDirectories) {
  char* dir = getpathdir("");
  ASSERT_NE(dir, nullptr);
  EXPECT_EQ(std::string(dir), root_.string() + "/");
  free(dir);
  dir = getpathdir("sub");
  ASSERT_NE(dir, nullptr);
  EXPECT_EQ(std::string(dir), root_.string() + "/sub/");
  free(dir);
  dir = getpathdir((root_ / "a").c_str());
  ASSERT_NE(dir, nullptr);
  EXPECT_EQ(std::string(dir), (root_ / "a").string() + "/");
  free(dir);
  EXPECT_EQ(getpathdir("x"), nullptr);
  EXPECT_EQ(getpathdir("missing"), nullptr);
}

TEST_F(Search, UnknownWorkingDirectoryFailsCleanly) {
  fs::current_path(root_ / "sub");
  fs::remove_all(root_ / "sub");
  EXPECT_EQ(getpath("y"), nullptr);
  EXPECT_EQ(getpathdir("a"), nullptr);
  char* path = getpath((root_ / "x").c_str());
  ASSERT_NE(path, nullptr);
  free(path);
}

TEST(OpenFailure, ModeWordsAndLocation) {
  const std::pair<const char*, const char*> cases[] = {
      {"r", "reading"}, {"r+", "reading"}, {"rb", "reading"}, {"w", "writing"},
      {"w+", "writing"}, {"wb", "writing"}, {"a", "a"},       {"a+", "a+"}};
  for (const auto& [mode, word] : cases) {
    current_src_line = 0;
    CaptureStderr();
    EXPECT_EQ(wfopen("/nonexistent-dir/file", mode, 17, "caller"), nullptr);
    EXPECT_EQ(GetCapturedStderr(), std::string("WARNING: can't open file /nonexistent-dir/file for `") +
                                       word + "' (line 17, file caller)\n");
  }
  CaptureStderr();
  EXPECT_EQ(wfopen(nullptr, "r", 0, ""), nullptr);
  EXPECT_EQ(GetCapturedStderr(), "WARNING: can't open file (null) for `reading'\n");
  current_src_file = "(unknown)";
}

TEST(OpenFailure, SuccessLeavesTheLocationAlone) {
  current_src_line = 99;
  current_src_file = "kept";
  FILE* stream = efopen("/dev/null", "r", 3, "other");
  ASSERT_NE(stream, nullptr);
  fclose(stream);
  EXPECT_EQ(current_src_line, 99);
  EXPECT_EQ(std::string(current_src_file), "kept");
  current_src_line = 0;
  current_src_file = "(unknown)";
}

TEST(OpenFailure, EfopenIsFatal) {
  EXPECT_EXIT(efopen("/nonexistent-dir/db.pdb", "r", 0, ""), testing::ExitedWithCode(1),
              "^ERROR: can't open file /nonexistent-dir/db.pdb for `reading'\n$");
}

} // namespace
