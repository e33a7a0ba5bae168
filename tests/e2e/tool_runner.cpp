#include "tool_runner.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// All a child wrote to the file, which is then closed.
std::string drain(FILE* file) {
  std::string text(static_cast<size_t>(lseek(fileno(file), 0, SEEK_END)), '\0');
  text.resize(pread(fileno(file), text.data(), text.size(), 0) < 0 ? 0 : text.size());
  fclose(file);
  return text;
}

// In the child: standard streams (and, from a script, a new session without
// a terminal), working directory, then the program.
[[noreturn]] void exec_tool(const ToolCall& call, FILE* in, FILE* out, FILE* err) {
  const int fd = call.stdout_path.empty()
                     ? fileno(out)
                     : open(call.stdout_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<char*> argv;
  for (const std::string& arg : call.argv)
    argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  if ((call.terminal || (setsid() >= 0 && dup2(fileno(in), STDIN_FILENO) >= 0)) && fd >= 0 &&
      dup2(fd, STDOUT_FILENO) >= 0 && dup2(fileno(err), STDERR_FILENO) >= 0 &&
      (call.dir.empty() || chdir(call.dir.c_str()) == 0))
    execv(argv[0], argv.data());
  _exit(127);
}

} // namespace

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

FILE* file_with(const std::string& bytes) {
  FILE* file = tmpfile();
  if (file == nullptr || pwrite(fileno(file), bytes.data(), bytes.size(), 0) < 0)
    throw std::runtime_error("cannot make a temporary file");
  return file;
}

std::string program_path(const std::string& name) {
  for (const char* path : {MOVRELVIEW_PATH, MOVREL_PATH, MKMOVREL_PATH})
    if (std::filesystem::path(path).filename() == name)
      return path;
  return "";
}

ToolRun run_tool(const ToolCall& call) {
  FILE* in = file_with(call.input);
  FILE* out = file_with("");
  FILE* err = file_with("");
  ToolRun run;
  const auto start = std::chrono::steady_clock::now();
  int master = -1;
  const pid_t child = call.terminal ? forkpty(&master, nullptr, nullptr, nullptr) : fork();
  if (child == 0)
    exec_tool(call, in, out, err);
  if (child < 0)
    throw std::runtime_error("cannot start a process");
  // On a terminal: read it until every holder has closed it (read then fails
  // with EIO), typing the input when the prompt first shows; 20 seconds of
  // silence get the program killed.
  std::vector<std::string> pieces{call.input}; // what is typed at each prompt
  if (call.prompts.size() > 1) {
    pieces.clear();
    for (size_t at = 0; at < call.input.size();) {
      const size_t end = std::min(call.input.find('\n', at), call.input.size() - 1) + 1;
      pieces.push_back(call.input.substr(at, end - at));
      at = end;
    }
  }
  size_t typed = 0;
  size_t seen = 0; // terminal output before it is searched no more
  for (pollfd ready{master, POLLIN, 0}; call.terminal;) {
    char chunk[1024];
    if (poll(&ready, 1, 20000) <= 0) {
      kill(child, SIGKILL);
      break;
    }
    const ssize_t n = read(master, chunk, sizeof chunk);
    if (n <= 0)
      break;
    run.terminal.append(chunk, static_cast<size_t>(n));
    for (size_t at = 0; typed < std::min(pieces.size(), call.prompts.size()) &&
                        (at = run.terminal.find(call.prompts[typed], seen)) != std::string::npos;
         ++typed) {
      seen = at + call.prompts[typed].size();
      (void)!write(master, pieces[typed].data(), pieces[typed].size());
    }
  }
  int raw = 0;
  waitpid(child, &raw, 0);
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (call.terminal) {
    tcgetattr(master, &run.tty);
    close(master);
  }
  fclose(in);
  run.out = drain(out);
  run.err = drain(err);
  return run;
}
