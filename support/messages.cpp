// Diagnostics: one message layout for errors, warnings and debug lines.
#include "myfile.h"

#include <cerrno>
#include <cstdarg>
#include <cstdlib>

int32_t current_src_line = 0;
const char* current_src_file = "(unknown)";
int32_t error_procid = -1;
FILE* error_log = nullptr;

namespace {

// Everything after the kind prefix: " process N", ": ", the message, the
// location, the line end; flushed so that the line is out before an exit.
void write_message(FILE* stream, const char* format, va_list args) {
  if (error_procid != -1) {
    fprintf(stream, " process %d", error_procid);
  }
  fputs(": ", stream);
  vfprintf(stream, format, args);
  if (current_src_line > 0) {
    fprintf(stream, " (line %d, file %s)", current_src_line,
            current_src_file != nullptr ? current_src_file : "(null)");
  }
  fputs("\n", stream);
  fflush(stream);
}

// Both prefixes go out before either body: a reader of the two streams side by
// side sees the report start on both before the text follows.
void report(const char* prefix, const char* format, va_list args) {
  FILE* copy = error_log;
  fputs(prefix, stderr);
  if (copy != nullptr) {
    fputs(prefix, copy);
  }
  va_list again;
  va_copy(again, args);
  write_message(stderr, format, args);
  if (copy != nullptr) {
    write_message(copy, format, again);
  }
  va_end(again);
}

} // namespace

void my_error(const char* format, ...) {
  va_list args;
  va_start(args, format);
  report("ERROR", format, args);
  va_end(args);
  exit(1);
}

int my_warning(const char* format, ...) {
  va_list args;
  va_start(args, format);
  report("WARNING", format, args);
  va_end(args);
  return -1;
}

void my_debug(const char* format, ...) {
  fputs("## ", stderr);
  errno = 0;
  va_list args;
  va_start(args, format);
  write_message(stderr, format, args);
  va_end(args);
}
