// The one place tests start the project's programs: the way a user does (on a
// terminal) or a script does (no terminal, input on stdin); and the file
// helpers the tests share.
#ifndef MOVREL_TESTS_E2E_TOOL_RUNNER_H
#define MOVREL_TESTS_E2E_TOOL_RUNNER_H

#include <termios.h>

#include <cstdio>
#include <string>
#include <vector>

inline constexpr char kPrompt[] = "Please enter password: ";

// The bytes of a file; "" when it cannot be read.
std::string slurp(const std::string& path);

// A temporary file holding bytes, read from its start; gone once closed.
FILE* file_with(const std::string& bytes);

// The absolute path of a program of this build ("movrelview", "movrel",
// "mkmovrel"), or "" when the build has no such program.
std::string program_path(const std::string& name);

struct ToolCall {
  std::vector<std::string> argv;                // argv[0] is the path exec runs (see program_path)
  std::string dir = {};                         // working directory; "" keeps the caller's
  bool terminal = false;                        // on a pseudo-terminal, or with none (see run_tool)
  std::string input = {};                       // typed after the prompt, or standard input
  std::string stdout_path = {};                 // opened as standard output; "" captures it in out
  std::vector<std::string> prompts = {kPrompt}; // with more than one, input's line k
                                                // is typed once prompt k has shown
};

struct ToolRun {
  std::string out;      // standard output, byte for byte (when captured)
  std::string err;      // standard error
  std::string terminal; // all the program wrote to the terminal (terminal runs)
  int status = -1;      // exit status, or 128 + the signal number that ended it
  double seconds = 0;   // wall time from start to exit
  termios tty{};        // the terminal's settings after the exit (terminal runs)
};

// Terminal run: a fresh pseudo-terminal is the controlling terminal and
// standard input; input's bytes (e.g. "secret\n" or a Ctrl-C "\x03") are typed
// once kPrompt has shown on it, nothing when input is empty. A terminal silent
// for 20 seconds gets the program killed. Otherwise: a new session with no
// controlling terminal, and a file holding input as standard input. Either
// way stdout (unless stdout_path) and stderr go to files.
ToolRun run_tool(const ToolCall& call);

#endif
