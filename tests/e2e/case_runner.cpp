// Runs the end-to-end cases: one folder each under cases/ (README.md here
// describes their files), once on a terminal and once from a script. A test
// is named Cases/EndToEnd.Run/<folder>_terminal or _script, with every
// character of the folder name other than a letter or digit as '_'.
#include "tool_runner.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {

// One entry per line; a line end at the end of the text starts no new line.
std::vector<std::string> lines(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> result;
  for (std::string line; std::getline(in, line);)
    result.push_back(line);
  return result;
}

// A fresh directory for @DIR@ and @DB@, removed with all it holds (read-only
// folders a case made too) when the run ends.
struct Scratch {
  std::string root;
  Scratch() {
    char pattern[] = "/tmp/movrel-e2e-XXXXXX";
    root = mkdtemp(pattern) != nullptr ? pattern : throw std::runtime_error("mkdtemp failed");
  }
  ~Scratch() {
    run_tool({{"/bin/chmod", "-R", "u+rwx", root}});
    std::error_code ignored;
    fs::remove_all(root, ignored);
  }
};

class EndToEnd : public testing::TestWithParam<std::tuple<fs::path, bool>> {};

TEST_P(EndToEnd, Run) {
  const fs::path folder = std::get<0>(GetParam());
  const bool terminal = std::get<1>(GetParam());
  const std::vector<std::string> modes = lines(slurp(folder / "modes"));
  if (!modes.empty() && modes[0] != (terminal ? "terminal" : "script"))
    GTEST_SKIP() << "the case runs in the other mode only";
  const Scratch scratch;
  std::map<std::string, std::string> values = {{"@DIR@", scratch.root + "/dir"},
                                               {"@DB@", scratch.root + "/db.pdb"},
                                               {"@SRC@", MOVREL_SOURCE_DIR}};
  auto has = [&](const char* name) { return fs::exists(folder / name); };
  auto file = [&](const char* name) { return has(name) ? slurp(folder / name) : ""; };
  auto expected = [&](const char* name) { // the file with placeholders replaced by their values
    std::string text = file(name);
    for (const auto& [placeholder, value] : values)
      for (size_t at = 0; (at = text.find(placeholder, at)) != std::string::npos;
           at += value.size())
        text.replace(at, placeholder.size(), value);
    return text;
  };
  auto script = [&](const char* name) {
    return run_tool({{"/bin/sh", (folder / name).string()}, values["@DIR@"]});
  };
  ASSERT_TRUE(fs::create_directory(values["@DIR@"]));
  for (const char* name : {"DIR", "DB", "SRC"}) // for setup.sh and after.sh
    setenv(name, values[std::string("@") + name + "@"].c_str(), 1);
  setenv("MOVREL", program_path("movrel").c_str(), 1);
  // recover's sessions: the case's own, never the user's.
  setenv("XDG_STATE_HOME", (values["@DIR@"] + "/state").c_str(), 1);
  if (has("db.pdb"))
    fs::copy_file(folder / "db.pdb", values["@DB@"]);
  std::vector<std::string> make = lines(file("db.args"));
  make.insert(make.begin(), {program_path("mkmovrel"), values["@DB@"]});
  ASSERT_EQ(has("db.args") ? run_tool({make, folder.string()}).status : 0, 0) << "mkmovrel failed";
  ASSERT_EQ(has("setup.sh") ? script("setup.sh").status : 0, 0) << "setup.sh failed";

  std::vector<std::string> argv = lines(expected("cmd"));
  ASSERT_FALSE(argv.empty()) << "no cmd";
  values["@PROG@"] = program_path(argv[0]);
  ASSERT_NE(values["@PROG@"], "") << "unknown program " << argv[0] << ": not in this build";
  argv[0] = values["@PROG@"];
  const bool prompts = has("input");
  std::vector<std::string> shown = has("prompts") ? lines(file("prompts")) : lines(kPrompt);
  std::string allShown, allEchoed; // from a script; on the terminal, each answered by a line end
  for (const std::string& prompt : shown) {
    allShown += prompt;
    allEchoed += prompt + "\r\n";
  }
  const ToolRun run =
      run_tool({argv, values["@DIR@"], terminal, prompts ? file("input") + "\n" : "",
                has("stdout-path") ? lines(expected("stdout-path")).at(0) : "", shown});
  EXPECT_EQ(run.out, has("stdout-path") ? "" : expected("stdout")); // "": not captured
  // From a script the prompt goes to standard error, ahead of any message.
  if (has("stderr.re")) // for what varies from run to run: times, rates
    EXPECT_TRUE(std::regex_match(run.err, std::regex(expected("stderr.re")))) << run.err;
  else
    EXPECT_EQ(run.err, (prompts && !terminal ? allShown : "") + expected("stderr"));
  EXPECT_EQ(run.status, has("status") ? std::stoi(file("status")) : 0);
  if (terminal) {
    // The prompt and the answer to the typed line end; never the typed text.
    if (prompts) {
      EXPECT_EQ(run.terminal, allEchoed);
    } else {
      EXPECT_EQ(run.terminal.find(kPrompt), std::string::npos) << run.terminal;
    }
    EXPECT_TRUE(run.tty.c_lflag & ECHO) << "echo left off";
  }
  EXPECT_GE(run.seconds, has("min-seconds") ? std::stod(file("min-seconds")) : 0);
  EXPECT_LE(run.seconds, has("max-seconds") ? std::stod(file("max-seconds")) : 1e9);
  EXPECT_EQ(has("after.sh") ? script("after.sh").out : "", expected("after.out"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EndToEnd,
    testing::Combine(testing::ValuesIn(std::vector<fs::path>(
                         fs::directory_iterator(MOVREL_SOURCE_DIR "/tests/e2e/cases"), {})),
                     testing::Bool()),
    [](const testing::TestParamInfo<EndToEnd::ParamType>& info) {
      return std::regex_replace(std::get<0>(info.param).filename().string(),
                                std::regex("[^A-Za-z0-9]"), "_") +
             (std::get<1>(info.param) ? "_terminal" : "_script");
    });

} // namespace
