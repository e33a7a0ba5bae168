// movrelview: prints the private notes of a Movrel! database, category by
// category, after asking for the password.
#include "movrelview.h"
#include "password_prompt.h"

#include "myfile.h"
#include "wipe.h"

#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {

void print_usage(const char* program) {
  printf("Usage: %s movrel2.pdb\n\nDecrypts your Movrel! for PalmPilot database\n", program);
}

// Decrypted text passes through stdout's buffer; keeping that buffer here lets
// it be wiped once the output is flushed. Buffering stays as the C library
// would choose it: by lines on a terminal, in blocks elsewhere.
char stdout_buffer[1 << 16];

void keep_output_in_own_buffer() {
  setvbuf(stdout, stdout_buffer, isatty(STDOUT_FILENO) ? _IOLBF : _IOFBF, sizeof stdout_buffer);
}

void wipe_output_buffer() {
  fflush(stdout);
  secure_wipe(stdout_buffer, sizeof stdout_buffer);
}

// Prints every category in file order. At the first whose check value does
// not match, pauses (to slow down guessing) and ends the run.
void show_categories(MovrelView& view, int32_t count, char* password) {
  for (int32_t index = 0; index < count; ++index) {
    if (view.printcat(index, password) == -1) {
      secure_wipe(password, strlen(password));
      wipe_output_buffer();
      sleep(3);
      current_src_line = 0;
      current_src_file = "main";
      my_error("Wrong password");
    }
  }
}

} // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    print_usage(argc > 0 && argv[0] != nullptr ? argv[0] : "movrelview");
    return 0;
  }
  keep_output_in_own_buffer();
  MovrelView view;
  const int32_t count = view.openFrom(argv[1]);
  char* password = read_password();
  upper_case(password);
  printf("%d categories found\n", count);
  show_categories(view, count, password);
  secure_wipe(password, strlen(password));
  wipe_output_buffer();
  return 0;
}
