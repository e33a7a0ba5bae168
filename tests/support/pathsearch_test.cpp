// The search order of relative names, the directory list and the mode words.
#include "helpers.h"
#include "myfile.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>

namespace fs = std::filesystem;

namespace {

// getpath's or getpathdir's answer, released; "<null>" for none.
std::string text_of(char* path) {
  std::string text = path != nullptr ? path : "<null>";
  free(path);
  return text;
}

std::string found(const std::string& name) {
  return text_of(getpath(name.c_str()));
}

// A scratch tree entered as the working directory, holding the empty files
// x, a/x, b/x, a/only-a, b/only-b and sub/y.
class Search : public Diagnostics {
protected:
  void SetUp() override {
    Diagnostics::SetUp();
    char pattern[] = "/tmp/movrel-search-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = fs::canonical(pattern).string();
    for (const char* dir : {"a", "b", "sub"}) {
      fs::create_directory(at(dir));
    }
    for (const char* file : {"x", "a/x", "b/x", "a/only-a", "b/only-b", "sub/y"}) {
      std::ofstream{at(file)};
    }
    fs::current_path(root_);
    setcat(0);
  }
  void TearDown() override {
    fs::current_path(previous_);
    fs::remove_all(root_);
    setcat(0);
    Diagnostics::TearDown();
  }
  std::string at(const std::string& relative) const { return root_ + "/" + relative; }

  std::string root_;
  fs::path previous_ = fs::current_path();
};

TEST_F(Search, WhereEachNameIsFound) {
  const std::string slashed = at("b/");
  adddir("a", 0);
  adddir(slashed.c_str(), 0);
  const std::pair<std::string, std::string> cases[] = {
      {"x", at("x")},             // the working directory before the list
      {"only-a", at("a/only-a")}, // cwd + "/" + entry + "/" + name
      {"only-b", at("b/only-b")}, // an entry ending in "/" gets no second one
      {"sub/y", at("sub/y")},     // a relative name with a directory part
      {at("a/x"), at("a/x")},     // an absolute name as given
      {"nowhere", "<null>"},
      {"", "<null>"},
      {std::string(1200, 'n'), "<null>"},
  };
  for (const auto& [name, path] : cases) {
    EXPECT_EQ(found(name), path) << name;
  }
  EXPECT_EQ(text_of(getpath(nullptr)), "<null>");
  remdir("a", 0);
  remdir(slashed.c_str(), 0);
}

// a/only-a exists, but with 1100 slashes after "a" the candidate no longer
// fits; with 800 it does.
TEST_F(Search, OnlyTheCurrentCategoryIsSearchedAndOverlongCandidatesFail) {
  const std::string fits = "a" + std::string(800, '/');
  const std::string overlong = "a" + std::string(PATH_MAX, '/');
  adddir(fits.c_str(), 0);
  adddir(overlong.c_str(), 1);
  adddir(at("b").c_str(), 1);
  EXPECT_EQ(found("only-a"), at(fits + "only-a"));
  EXPECT_EQ(found("only-b"), "<null>");
  setcat(1);
  EXPECT_EQ(found("only-b"), at("b/only-b"));
  EXPECT_EQ(found("only-a"), "<null>");
  remdir(fits.c_str(), 0);
  remdir(overlong.c_str(), 1);
  remdir(at("b").c_str(), 1);
}

TEST_F(Search, EmptyDirectoryTextIsStoredAsDot) {
  adddir("", 0);
  EXPECT_EQ(stderr_of([] { remdir("", 0); }), ""); // "" stands for "." both ways
  EXPECT_EQ(stderr_of([] { remdir(".", 0); }), "WARNING: . not on directory list 0\n");
}

TEST_F(Search, RemdirTakesTheFirstMatchAndKeepsOrder) {
  for (const char* dir : {"b", "a", "b"}) {
    adddir(dir, 0);
  }
  remdir("b", 0);      // the first "b" goes; "a" now comes before "b"
  fs::remove(at("x")); // so that x is looked for in the list
  EXPECT_EQ(found("x"), at("a/x"));
  remdir("a", 0);
  EXPECT_EQ(found("x"), at("b/x"));
  remdir("b", 0);
  EXPECT_EQ(found("x"), "<null>");
}

TEST_F(Search, ListHoldsAtMostOneHundredEntries) {
  for (int i = 0; i < 100; ++i) {
    adddir("a", 7);
  }
  current_src_line = 5;
  EXPECT_EQ(stderr_of([] { adddir("b", 7); }),
            "WARNING: can't add b to list of search directories, max 100\n");
  EXPECT_EQ(current_src_line, 0);
  EXPECT_STREQ(current_src_file, "myfile");
  setcat(7);
  EXPECT_EQ(found("only-b"), "<null>");
  for (int i = 0; i < 100; ++i) {
    remdir("a", 7);
  }
  EXPECT_EQ(stderr_of([] { remdir("a", 7); }), "WARNING: a not on directory list 7\n");
}

TEST_F(Search, GetpathdirAnswersOnlyForDirectories) {
  const std::pair<std::string, std::string> cases[] = {{"", root_ + "/"},
                                                       {"sub", at("sub/")},
                                                       {at("a"), at("a/")},
                                                       {"x", "<null>"},
                                                       {"missing", "<null>"}};
  for (const auto& [dir, answer] : cases) {
    EXPECT_EQ(text_of(getpathdir(dir.c_str())), answer) << dir;
  }
}

TEST_F(Search, UnknownWorkingDirectoryFailsCleanly) {
  fs::current_path(at("sub"));
  fs::remove_all(at("sub"));
  EXPECT_EQ(found("y"), "<null>");
  EXPECT_EQ(text_of(getpathdir("a")), "<null>");
  EXPECT_EQ(found(at("x")), at("x"));
}

using OpenFailure = Diagnostics;

TEST_F(OpenFailure, ModeWordsNullNameAndLocation) {
  const std::pair<const char*, const char*> cases[] = {
      {"r", "reading"},  {"r+", "reading"}, {"rb", "reading"}, {"w", "writing"},
      {"w+", "writing"}, {"wb", "writing"}, {"a", "a"},        {"a+", "a+"}};
  for (const auto& c : cases) {
    current_src_line = 0;
    EXPECT_EQ(stderr_of([&] {
                EXPECT_EQ(wfopen("/nonexistent-dir/file", c.first, 17, "caller"), nullptr);
              }),
              std::string("WARNING: can't open file /nonexistent-dir/file for `") + c.second +
                  "' (line 17, file caller)\n");
  }
  EXPECT_EQ(stderr_of([] { EXPECT_EQ(wfopen(nullptr, "r", 0, ""), nullptr); }),
            "WARNING: can't open file (null) for `reading'\n");
}

TEST_F(OpenFailure, SuccessLeavesTheLocationAloneAndEfopenIsFatal) {
  current_src_line = 99;
  current_src_file = "kept";
  FILE* stream = efopen("/dev/null", "r", 3, "other");
  ASSERT_NE(stream, nullptr);
  fclose(stream);
  EXPECT_EQ(current_src_line, 99);
  EXPECT_STREQ(current_src_file, "kept");
  EXPECT_EXIT(efopen("/nonexistent-dir/db.pdb", "r", 0, ""), testing::ExitedWithCode(1),
              "^ERROR: can't open file /nonexistent-dir/db.pdb for `reading'\n$");
}

} // namespace
