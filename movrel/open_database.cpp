#include "open_database.h"

#include "data_error.h"
#include "palm_header.h"

#include <cstdio>

int32_t open_database(MovrelView& view, const std::string& file) {
  const int32_t count = view.openFrom(file.c_str(), fail_to_load);
  if (count == 0 && !has_palm_header(reinterpret_cast<const uint8_t*>(view.buffer), view.length)) {
    data_note(file + ": not a Palm database");
  }
  return count;
}
