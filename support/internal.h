// Helpers shared by the parts of myfile; not part of myfile.h.
#ifndef MOVREL_SUPPORT_INTERNAL_H
#define MOVREL_SUPPORT_INTERNAL_H

#include <cstdint>

#include "myfile.h"

// The source location a report will carry.
inline void store_location(int32_t line, const char* file) {
  current_src_line = line;
  current_src_file = file;
}

// "can't open file NAME for `MODE WORD'" with the caller's location: through
// my_error when fatal (does not return), else through my_warning. A null name
// is shown as "(null)".
void report_open_failure(const char* name, const char* mode, int32_t line, const char* file,
                         bool fatal);

#endif
