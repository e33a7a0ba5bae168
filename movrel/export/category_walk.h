// The one walk over the chosen categories that every format and destination
// of movrel export shares. Every chosen category is tested against the
// password before anything is written, so a database where one of them is
// under another password is refused as a whole; then each is decrypted in
// turn, handed to the format, and its bytes sent on.
#ifndef MOVREL_MOVREL_EXPORT_CATEGORY_WALK_H
#define MOVREL_MOVREL_EXPORT_CATEGORY_WALK_H

#include "export_format.h"
#include "safe_files.h"

#include "movrelview.h"

#include <cstdint>
#include <string>
#include <vector>

// Where the bytes go: standard output, one file (-o), or a file per
// category in a folder (--split).
struct ExportTarget {
  enum class Kind { StandardOutput, File, Split } kind = Kind::StandardOutput;
  OutputFolder* folder = nullptr;      // the file's folder, or the split folder
  std::string fileName;                // -o: the file's name in folder
  std::vector<std::string> splitNames; // --split: each chosen category's file name
  bool force = false;                  // replace what is there
};

// Exports the chosen categories (indices into view, in file order) with
// password (upper-cased). Holds every secret of the run and wipes them on
// every way out; any failure ends the process with an error line, leaving
// no file or temporary of the run behind.
void export_categories(const MovrelView& view, const std::vector<int32_t>& chosen,
                       ExportFormat& format, bool raw, const ExportTarget& target, char* password);

#endif
