// The driver end to end: arguments, unreadable files, the prompt and the
// category count, each run once on a terminal and once from a script.
#include "tool_runner.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kUsage = std::string("Usage: ") + MOVRELVIEW_PATH +
                           " movrel2.pdb\n\nDecrypts your Movrel! for PalmPilot database\n";

class Driver : public EndToEnd {
protected:
  ToolRun run(const std::vector<std::string>& args, const std::string& password = "secret") const {
    return EndToEnd::run(args, password);
  }

  // On a terminal the prompt is shown, the typed text is not echoed, and the
  // line end the user typed is answered with one.
  void expectPromptedWithoutEcho(const ToolRun& run, const std::string& password) const {
    if (GetParam() == Mode::Terminal) {
      EXPECT_EQ(run.terminal, std::string(kPrompt) + "\r\n");
      if (!password.empty()) {
        EXPECT_EQ(run.terminal.find(password), std::string::npos);
      }
    }
  }

  void expectNoPrompt(const ToolRun& run) const {
    EXPECT_EQ(run.terminal.find(kPrompt), std::string::npos);
    EXPECT_EQ(run.err.find(kPrompt), std::string::npos);
  }
};

TEST_P(Driver, WrongArgumentCountPrintsOnlyUsage) {
  for (const auto& args :
       {std::vector<std::string>{}, std::vector<std::string>{"a.pdb", "b.pdb"}}) {
    const ToolRun result = run(args);
    EXPECT_EQ(result.out, kUsage);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.status, 0);
    expectNoPrompt(result);
  }
}

TEST_P(Driver, MissingFileEndsBeforeThePrompt) {
  const ToolRun result = run({"/nonexistent-dir/movrel2.pdb"});
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, "ERROR: can't open file /nonexistent-dir/movrel2.pdb for `reading'\n");
  EXPECT_EQ(result.status, 1);
  expectNoPrompt(result);
}

TEST_P(Driver, DirectoryCannotBeRead) {
  const ToolRun result = run({"/tmp"});
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, "ERROR: can't read from file\n");
  EXPECT_EQ(result.status, 1);
  expectNoPrompt(result);
}

TEST_P(Driver, EmptyFileHasNoCategories) {
  TempFile db("");
  const ToolRun result = run({db.path()});
  EXPECT_EQ(result.out, "0 categories found\n");
  EXPECT_EQ(result.err, errAfterPrompt(""));
  EXPECT_EQ(result.status, 0);
  expectPromptedWithoutEcho(result, "secret");
}

TEST_P(Driver, CountsBothMarkerKindsAnywhere) {
  const std::string bytes = std::string("header\0\xff\x40\x44\x02", 11) + // marker 1
                            "\xff\xff\x40\x44\x03" +             // marker 2, after a stray FF
                            "\xff\x40\x44\x04" +                 // not a marker
                            "\xff\x40\x44\x02\xff\x40\x44\x03" + // markers 3 and 4, back to back
                            "\xff\x40\x44";                      // cut short at the end
  TempFile db(bytes);
  const ToolRun result = run({db.path()}, "any password");
  // The count comes first; the markers open no whole record, so the first
  // category is then rejected.
  EXPECT_EQ(result.out, "4 categories found\n");
  EXPECT_EQ(result.err, errAfterPrompt("ERROR: category 0 runs past the end of the file\n"));
  EXPECT_EQ(result.status, 1);
  expectPromptedWithoutEcho(result, "any password");
}

INSTANTIATE_TEST_SUITE_P(BothWays, Driver, testing::Values(Mode::Terminal, Mode::Script),
                         mode_name);

} // namespace
