// movrelview: prints the private notes of a Movrel! database, category by
// category, after asking for the password.
#include "category_output.h"
#include "live_secrets.h"
#include "movrelview.h"
#include "password_prompt.h"

#include "myfile.h"
#include "wipe.h"

#include <cstdio>
#include <unistd.h>

namespace {

void print_usage(const char* program) {
  printf("Usage: %s movrel2.pdb\n\nDecrypts your Movrel! for PalmPilot database\n", program);
}

[[noreturn]] void fail(const char* message) {
  current_src_line = 0;
  current_src_file = "main";
  my_error("%s", message);
}

// Decrypted text passes through stdout's buffer; keeping that buffer here lets
// it be wiped once the output is flushed. Buffering stays as the C library
// would choose it: by lines on a terminal, in blocks elsewhere.
char stdout_buffer[1 << 16];

void keep_output_in_own_buffer() {
  setvbuf(stdout, stdout_buffer, isatty(STDOUT_FILENO) ? _IOLBF : _IOFBF, sizeof stdout_buffer);
  hold_secret(stdout_buffer, sizeof stdout_buffer);
}

// Output that could not be written is lost notes: a fatal error, not a quiet
// exit 0. (A closed pipe ends the process by SIGPIPE before this is reached.)
void flush_output() {
  if (fflush(stdout) != 0 || ferror(stdout) != 0) {
    fail("can't write to standard output");
  }
}

// Prints every category in file order. At the first whose check value does
// not match, pauses (to slow down guessing) and ends the run.
void show_categories(const MovrelView& view, int32_t count, const char* password) {
  PasswordKey key;
  hold_stack_secret(&key, sizeof key);
  make_password_key(password, key);
  flush_output(); // categories go straight to the descriptor, after what stdout holds
  const PrintEnd end = print_categories(view, count, key);
  release_secret(&key);
  switch (end.stop) {
  case PrintStop::None:
    return;
  case PrintStop::WriteFailed:
    fail("can't write to standard output");
  case PrintStop::RecordPastEnd:
    fail_record_past_end(end.index);
  case PrintStop::WrongPassword:
    wipe_password();
    secure_wipe(stdout_buffer, sizeof stdout_buffer);
    sleep(3);
    fail("Wrong password");
  }
}

} // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    print_usage(argc > 0 && argv[0] != nullptr ? argv[0] : "movrelview");
    flush_output();
    return 0;
  }
  start_secret_run();
  keep_output_in_own_buffer();
  MovrelView view;
  const int32_t count = view.openFrom(argv[1]);
  char* password = read_password();
  upper_case(password);
  printf("%d categories found\n", count);
  show_categories(view, count, password);
  wipe_password();
  flush_output();
  secure_wipe(stdout_buffer, sizeof stdout_buffer);
  return 0;
}
