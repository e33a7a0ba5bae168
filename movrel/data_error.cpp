#include "data_error.h"

#include "dbformat.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
const char* reporting_command = "";
} // namespace

void report_as(const char* command) {
  reporting_command = command;
}

void data_note(const std::string& message) {
  fflush(stdout);
  fprintf(stderr, "movrel%s%s: %s\n", *reporting_command != '\0' ? " " : "", reporting_command,
          message.c_str());
}

void data_error(const std::string& message) {
  data_note(message);
  exit(1);
}

void file_error(const char* action, const std::string& file, int error) {
  data_error(std::string("can't ") + action + " " + file + ": " + strerror(error));
}

void fail_to_load(LoadFailure failure, const char* name) {
  switch (failure) {
  case LoadFailure::Open:
    file_error("open", name, errno);
  case LoadFailure::Read:
    // A regular file that gave fewer bytes than its size was cut short.
    if (errno == 0) {
      data_error(std::string("can't read ") + name + ": it was cut short while it was read");
    }
    file_error("read", name, errno);
  case LoadFailure::TooLarge:
    data_error(std::string("can't read ") + name + ": it is larger than 2 GiB");
  }
}

std::string runs_past_end(int index) {
  char message[sizeof kRecordPastEndFormat + 16];
  snprintf(message, sizeof message, kRecordPastEndFormat, index);
  return message;
}
