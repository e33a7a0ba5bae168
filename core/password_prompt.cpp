#include "password_prompt.h"

#include "live_secrets.h"
#include "myfile.h"
#include "secret_stacks.h"
#include "wipe.h"
#include "write_all.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

// The typed line and its terminator; kept zero beyond the terminator.
char password_buffer[kPasswordMaxBytes + 1];

// The read in progress, shared with the signal handlers. settings_changed is
// set before echo goes off and cleared once the saved settings are back.
const char* prompt = kPasswordPrompt;
char* line_buffer = password_buffer; // kPasswordMaxBytes + 1 bytes
int input_fd = -1;
int output_fd = -1;
struct termios saved_settings;
struct termios quiet_settings;
volatile sig_atomic_t settings_changed = 0;
volatile sig_atomic_t restarted = 0;

// The keys a user may press (Ctrl-C, Ctrl-\, Ctrl-Z), and a terminal that
// goes away or a kill while the prompt waits.
const int kReaderSignals[] = {SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGTSTP};
constexpr size_t kSignalCount = sizeof kReaderSignals / sizeof kReaderSignals[0];
struct sigaction saved_actions[kSignalCount];
bool taken[kSignalCount];
struct sigaction reader_action;

void write_prompt() {
  write_all(output_fd, prompt, strlen(prompt));
}

// tcsetattr and write are async-signal-safe: the handlers use these too.
void restore_settings() {
  if (settings_changed != 0) {
    tcsetattr(input_fd, TCSAFLUSH, &saved_settings);
  }
}

void unblock(int sig) {
  sigset_t only;
  sigemptyset(&only);
  sigaddset(&only, sig);
  sigprocmask(SIG_UNBLOCK, &only, nullptr);
}

// Ctrl-Z: the terminal gets its settings back while the process is stopped.
// On resuming, echo goes off again and the prompt is shown afresh; the
// terminal dropped the keys typed before the stop, so the line starts over.
void stop_and_resume() {
  const int saved_errno = errno;
  restore_settings();
  signal(SIGTSTP, SIG_DFL);
  unblock(SIGTSTP);
  raise(SIGTSTP);
  sigaction(SIGTSTP, &reader_action, nullptr);
  tcsetattr(input_fd, TCSAFLUSH, &quiet_settings);
  restarted = 1;
  write_prompt();
  errno = saved_errno;
}

extern "C" MOVREL_SIGNAL_PATH void on_reader_signal(int sig, siginfo_t* info, void* context) {
  if (sig == SIGTSTP) {
    stop_and_resume();
    return;
  }
  restore_settings();
  write_all(output_fd, "\n", 1);
  end_by_signal(sig, info, context);
}

void take_signals() {
  reader_action = {};
  reader_action.sa_sigaction = on_reader_signal;
  reader_action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_RESTART;
  sigemptyset(&reader_action.sa_mask);
  for (int sig : kReaderSignals) {
    sigaddset(&reader_action.sa_mask, sig);
  }
  for (size_t i = 0; i < kSignalCount; ++i) {
    taken[i] = sigaction(kReaderSignals[i], nullptr, &saved_actions[i]) == 0 &&
               saved_actions[i].sa_handler != SIG_IGN &&
               sigaction(kReaderSignals[i], &reader_action, nullptr) == 0;
  }
}

void give_back_signals() {
  for (size_t i = 0; i < kSignalCount; ++i) {
    if (taken[i]) {
      sigaction(kReaderSignals[i], &saved_actions[i], nullptr);
    }
  }
}

enum class LineEnd { Newline, EndOfInput, Error };

// One byte per read, so that nothing after the line end is taken from the
// input. The byte in hand is the only copy outside the buffer. cut is set
// when the line held more than kPasswordMaxBytes bytes.
LineEnd read_line(bool& cut) {
  size_t n = 0;
  cut = false;
  char c = 0;
  LineEnd end = LineEnd::Newline;
  for (;;) {
    const ssize_t got = read(input_fd, &c, 1);
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got <= 0) {
      end = got == 0 ? LineEnd::EndOfInput : LineEnd::Error;
      break;
    }
    if (restarted != 0) {
      restarted = 0;
      secure_wipe(line_buffer, kPasswordMaxBytes + 1);
      n = 0;
      cut = false;
    }
    if (c == '\n') {
      break;
    }
    if (n < kPasswordMaxBytes) {
      line_buffer[n++] = c;
    } else {
      cut = true;
    }
  }
  line_buffer[n] = '\0';
  secure_wipe(&c, sizeof c);
  return end;
}

} // namespace

char* read_password() {
  static bool listed = false;
  if (!listed) {
    start_secret_run();
    hold_secret(password_buffer, sizeof password_buffer);
    listed = true;
  }
  read_hidden_line(kPasswordPrompt, password_buffer);
  return password_buffer;
}

bool read_hidden_line(const char* shown, char buffer[kPasswordMaxBytes + 1]) {
  prompt = shown;
  line_buffer = buffer;
  secure_wipe(buffer, kPasswordMaxBytes + 1);
  const int terminal = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
  input_fd = terminal >= 0 ? terminal : STDIN_FILENO;
  output_fd = terminal >= 0 ? terminal : STDERR_FILENO;
  // Echo goes off before the prompt appears, so that nothing typed in
  // answer to it is ever echoed; TCSAFLUSH drops keys typed before.
  if (tcgetattr(input_fd, &saved_settings) == 0) {
    quiet_settings = saved_settings;
    quiet_settings.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL);
    take_signals();
    settings_changed = 1;
    tcsetattr(input_fd, TCSAFLUSH, &quiet_settings);
  }
  write_prompt();
  bool cut = false;
  const LineEnd end = read_line(cut);
  if (settings_changed != 0) {
    // The line end the terminal did not echo.
    if (end == LineEnd::Newline) {
      write_all(output_fd, "\n", 1);
    }
    restore_settings();
    settings_changed = 0;
    give_back_signals();
  }
  if (terminal >= 0) {
    close(terminal);
  }
  if (end == LineEnd::Error) {
    current_src_line = 0;
    current_src_file = "main";
    my_error("can't read password");
  }
  return !cut;
}

void wipe_password() {
  secure_wipe(password_buffer, sizeof password_buffer);
}

void upper_case(char* text) {
  upper_case_bytes(text, strlen(text));
}

// No table and no branch on a byte: with c taken as a 32-bit unsigned value,
// c - 'a' borrows (bit 31 set) exactly when c < 'a', and 'z' - c exactly when
// c > 'z'; a letter a-z is neither, and loses bit 5 ('a' - 'A' = 0x20).
void upper_case_bytes(char* text, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    const uint32_t c = static_cast<unsigned char>(text[i]);
    const uint32_t outside = ((c - 0x61U) >> 31) | ((0x7AU - c) >> 31);
    text[i] = static_cast<char>(c - ((outside ^ 1U) << 5));
  }
}
