#include "data_error.h"

#include "myfile.h"

void data_error(const std::string& message) {
  current_src_line = 0;
  current_src_file = "main";
  my_error("%s", message.c_str());
}

std::string runs_past_end(int index) {
  return "category " + std::to_string(index) + " runs past the end of the file";
}
