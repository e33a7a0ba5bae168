// The optional time-stamped log file, and formatting bounded to a buffer length.
#include "internal.h"
#include "myfile.h"
#include "seams.h"

#include <cstdarg>
#include <cstring>
#include <ctime>
#include <string>
#include <sys/time.h>

FILE* log_file = nullptr;

namespace {

constexpr size_t kNameSize = 1000;  // bytes of the name buffer, terminator included
constexpr int kFormatLimit = 10000; // bytes, terminator included
constexpr char kLogSuffix[] = ".log";

time_t system_clock_seconds() {
  struct timeval now {};
  gettimeofday(&now, nullptr);
  return now.tv_sec;
}

} // namespace

time_t (*myfile_clock_hook)(void) = system_clock_seconds;

int logopen(const char* name) {
  // Any '.' counts, one in a directory part too.
  const bool add_suffix = strchr(name, '.') == nullptr;
  const size_t length = strlen(name);
  const size_t needed = length + (add_suffix ? strlen(kLogSuffix) : 0) + 1;
  if (needed > kNameSize) {
    // Too long for the name buffer: fail exactly as an open that failed, and
    // name the file that would have been tried.
    const std::string extended = std::string(name) + (add_suffix ? kLogSuffix : "");
    report_open_failure(extended.c_str(), "a", 0, "", false);
    log_file = nullptr;
    return -1;
  }
  char path[kNameSize];
  memcpy(path, name, length + 1);
  if (add_suffix) {
    memcpy(path + length, kLogSuffix, sizeof kLogSuffix);
  }
  // A log that was open before is neither closed nor kept.
  log_file = wfopen(path, "a", 0, "");
  return log_file != nullptr ? 0 : -1;
}

int logclose(void) {
  if (log_file == nullptr) {
    return 0;
  }
  const int result = fclose(log_file);
  log_file = nullptr; // also after a failed close: the stream is gone either way
  return result;
}

void logprintf(const char* format, ...) {
  const time_t now = myfile_clock_hook();
  // ctime: "Www Mmm dd hh:mm:ss yyyy\n". The stamp is characters 4 to 15,
  // "Mmm dd hh:mm", local time.
  char stamp[17] = {};
  if (const char* text = ctime(&now)) {
    memcpy(stamp, text, strnlen(text, 16));
  }
  if (log_file == nullptr) {
    current_src_line = 0;
    current_src_file = "myfile";
    my_warning("log file not open");
    return;
  }
  fprintf(log_file, "%s: ", stamp + 4);
  va_list args;
  va_start(args, format);
  vfprintf(log_file, format, args);
  va_end(args);
  fprintf(log_file, "\n");
  fflush(log_file); // a line logprintf returned from survives an abrupt end
}

void lensprintf(char* buffer, int length, const char* format, ...) {
  // Lengths outside 1..10000 are clamped, so that nothing is written past the
  // scratch area or past the caller's length, whatever the format yields.
  if (length < 1) {
    length = 1;
  } else if (length > kFormatLimit) {
    length = kFormatLimit;
  }
  // Formatting goes through the scratch area first, so that a buffer that is
  // also one of the values (appending to its own text) is read before it is
  // written.
  char scratch[kFormatLimit];
  va_list args;
  va_start(args, format);
  if (vsnprintf(scratch, sizeof scratch, format, args) < 0) {
    scratch[0] = '\0'; // after an output error the scratch may hold anything
  }
  va_end(args);
  scratch[length - 1] = '\0';
  memcpy(buffer, scratch, strlen(scratch) + 1);
}
