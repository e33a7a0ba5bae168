// Runs the real movrelview executable the way a user or a script does.
#ifndef MOVREL_TESTS_E2E_TOOL_RUNNER_H
#define MOVREL_TESTS_E2E_TOOL_RUNNER_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

struct ToolRun {
  std::string out;      // standard output, byte for byte
  std::string err;      // standard error
  std::string terminal; // what the terminal showed (terminal runs only)
  int status = -1;      // exit status; -1 when killed by a signal
  double seconds = 0;   // wall time from start to exit
};

// With no controlling terminal (a new session), `input` on standard input.
ToolRun run_without_terminal(const std::vector<std::string>& args, const std::string& input);

// On a fresh pseudo-terminal as the controlling terminal and standard input;
// standard output and error go to files. `typed` and a line end are typed once
// the password prompt has appeared on the terminal.
ToolRun run_on_terminal(const std::vector<std::string>& args, const std::string& typed);

// The two ways a user runs the tool: typing the password at the terminal's
// prompt, or from a script with no terminal and the password on stdin.
enum class Mode { Terminal, Script };

inline constexpr char kPrompt[] = "Please enter password: ";

// A suite whose every test runs once in each mode.
class EndToEnd : public testing::TestWithParam<Mode> {
protected:
  ToolRun run(const std::vector<std::string>& args, const std::string& password) const {
    return GetParam() == Mode::Terminal ? run_on_terminal(args, password)
                                        : run_without_terminal(args, password + "\n");
  }
  // Standard error of a run that prompted: without a terminal the prompt goes
  // to standard error, ahead of any message.
  std::string errAfterPrompt(const std::string& messages) const {
    return GetParam() == Mode::Script ? kPrompt + messages : messages;
  }
};

inline std::string mode_name(const testing::TestParamInfo<Mode>& info) {
  return info.param == Mode::Terminal ? "OnTerminal" : "FromScript";
}

// A file under a fresh temporary directory, removed by the destructor.
class TempFile {
public:
  explicit TempFile(const std::string& contents);
  ~TempFile();
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  const std::string& path() const { return path_; }

private:
  std::string dir_;
  std::string path_;
};

#endif
