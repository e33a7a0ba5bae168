// The viewer's printing of every category, decrypted in batches on several
// workers and written in file order.
#ifndef MOVREL_APP_CATEGORY_OUTPUT_H
#define MOVREL_APP_CATEGORY_OUTPUT_H

#include "category_render.h"
#include "movrelview.h"
#include "password_check.h"
#include "workers.h"

#include <cstdint>

// Why printing stopped before the last category.
enum class PrintStop { None, WrongPassword, RecordPastEnd, WriteFailed };

struct PrintEnd {
  PrintStop stop = PrintStop::None;
  int32_t index = 0; // the category it stopped at, for WrongPassword and RecordPastEnd
};

// Writes categories 0 .. count - 1 of view to file descriptor 1, as
// render_category would one by one, stopping after the banner of the first that key does not
// open, before the first whose record is not all inside the image, or at the
// first write that fails. Whatever stdout holds must have been flushed.
// Categories are decrypted in batches on up to workers threads (fewer for a
// small file) and written in order; each batch's plaintext is wiped once
// written.
PrintEnd print_categories(const MovrelView& view, int32_t count, const PasswordKey& key,
                          int workers = available_workers());

#endif
