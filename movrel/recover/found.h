// Printing a found password: on standard output, the password, then one
// line per category saying whether it opens it.
//
// The password is shown in UTF-8, each byte as the Palm OS character it
// stands for (0xE9 as é), so that it can be typed; a byte with no printable
// form shows as U+FFFD, and a line "hex: ..." then gives every byte, so that
// it can still be given exactly (xxd -r -p). Category names are shown as
// `movrel list` shows them: no byte of the file reaches the terminal raw.
#ifndef MOVREL_MOVREL_RECOVER_FOUND_H
#define MOVREL_MOVREL_RECOVER_FOUND_H

#include "movrelview.h"

#include <cstddef>
#include <cstdint>

// False when standard output cannot be written.
bool report_found(const MovrelView& view, int32_t count, const unsigned char* password, size_t n);

#endif
