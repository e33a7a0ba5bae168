#include "data_error.h"

#include "dbformat.h"
#include "myfile.h"

#include <cstdio>

void data_error(const std::string& message) {
  current_src_line = 0;
  current_src_file = "main";
  my_error("%s", message.c_str());
}

std::string runs_past_end(int index) {
  char message[sizeof kRecordPastEndFormat + 16];
  snprintf(message, sizeof message, kRecordPastEndFormat, index);
  return message;
}
