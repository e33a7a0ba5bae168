#include "tool_runner.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

#ifndef MOVRELVIEW_PATH
#error "MOVRELVIEW_PATH must name the movrelview executable"
#endif

namespace {

constexpr int kTimeoutMs = 20000;

using Clock = std::chrono::steady_clock;

std::vector<char*> argv_for(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(MOVRELVIEW_PATH));
  for (const std::string& arg : args) {
    argv.push_back(const_cast<char*>(arg.c_str()));
  }
  argv.push_back(nullptr);
  return argv;
}

std::string slurp(FILE* file) {
  std::string text;
  rewind(file);
  char chunk[4096];
  for (size_t n; (n = fread(chunk, 1, sizeof chunk, file)) > 0;) {
    text.append(chunk, n);
  }
  fclose(file);
  return text;
}

[[noreturn]] void exec_tool(const std::vector<std::string>& args, FILE* out, FILE* err) {
  dup2(fileno(out), STDOUT_FILENO);
  dup2(fileno(err), STDERR_FILENO);
  signal(SIGPIPE, SIG_DFL);
  std::vector<char*> argv = argv_for(args);
  execv(argv[0], argv.data());
  _exit(127);
}

int wait_for(pid_t child) {
  int raw = 0;
  while (waitpid(child, &raw, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

double since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

} // namespace

ToolRun run_without_terminal(const std::vector<std::string>& args, const std::string& input) {
  FILE* out = tmpfile();
  FILE* err = tmpfile();
  int in[2];
  if (out == nullptr || err == nullptr || pipe(in) != 0) {
    throw std::runtime_error("cannot set up the tool's streams");
  }
  signal(SIGPIPE, SIG_IGN); // the tool may exit without reading its input
  const auto start = Clock::now();
  const pid_t child = fork();
  if (child == 0) {
    setsid(); // no controlling terminal: the password comes from stdin
    dup2(in[0], STDIN_FILENO);
    close(in[0]);
    close(in[1]);
    exec_tool(args, out, err);
  }
  close(in[0]);
  for (size_t done = 0; done < input.size();) {
    const ssize_t n = write(in[1], input.data() + done, input.size() - done);
    if (n <= 0) {
      break;
    }
    done += static_cast<size_t>(n);
  }
  close(in[1]);
  ToolRun run;
  run.status = wait_for(child);
  run.seconds = since(start);
  run.out = slurp(out);
  run.err = slurp(err);
  return run;
}

ToolRun run_on_terminal(const std::vector<std::string>& args, const std::string& typed) {
  FILE* out = tmpfile();
  FILE* err = tmpfile();
  if (out == nullptr || err == nullptr) {
    throw std::runtime_error("cannot set up the tool's streams");
  }
  int master = -1;
  const auto start = Clock::now();
  const pid_t child = forkpty(&master, nullptr, nullptr, nullptr);
  if (child < 0) {
    fclose(out);
    fclose(err);
    throw std::runtime_error("forkpty failed");
  }
  if (child == 0) {
    exec_tool(args, out, err);
  }
  ToolRun run;
  bool typedYet = false;
  for (;;) {
    pollfd ready{master, POLLIN, 0};
    if (poll(&ready, 1, kTimeoutMs) <= 0) {
      kill(child, SIGKILL);
      break;
    }
    char chunk[1024];
    const ssize_t n = read(master, chunk, sizeof chunk);
    if (n <= 0) {
      break; // EIO: the tool has exited and the terminal is closed
    }
    run.terminal.append(chunk, static_cast<size_t>(n));
    if (!typedYet && run.terminal.find(kPrompt) != std::string::npos) {
      const std::string line = typed + "\n";
      if (write(master, line.data(), line.size()) != static_cast<ssize_t>(line.size())) {
        break;
      }
      typedYet = true;
    }
  }
  run.status = wait_for(child);
  run.seconds = since(start);
  close(master);
  run.out = slurp(out);
  run.err = slurp(err);
  return run;
}

TempFile::TempFile(const std::string& contents) {
  char pattern[] = "/tmp/movrel-e2e-XXXXXX";
  if (mkdtemp(pattern) == nullptr) {
    throw std::runtime_error("mkdtemp failed");
  }
  dir_ = pattern;
  path_ = dir_ + "/db.pdb";
  FILE* file = fopen(path_.c_str(), "wb");
  if (file == nullptr || fwrite(contents.data(), 1, contents.size(), file) != contents.size()) {
    throw std::runtime_error("cannot write " + path_);
  }
  fclose(file);
}

TempFile::~TempFile() {
  unlink(path_.c_str());
  rmdir(dir_.c_str());
}
