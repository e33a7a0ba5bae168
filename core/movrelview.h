// The database image: the whole file in memory, and the category records in it.
//
// The record layout and the marker scan are in dbformat.h.
#ifndef MOVREL_CORE_MOVRELVIEW_H
#define MOVREL_CORE_MOVRELVIEW_H

#include "dbformat.h"
#include "imageload.h"
#include "imagememory.h"

#include <cstdint>
#include <vector>

class MovrelView {
public:
  MovrelView() = default;
  ~MovrelView();
  MovrelView(const MovrelView&) = delete;
  MovrelView& operator=(const MovrelView&) = delete;

  // Loads the whole file (through the search path) into memory of its own and
  // returns the number of category markers in it. A regular file is read to
  // the size it had when opened; a pipe, FIFO or device to its end. A file
  // that cannot be opened, sized or read, or that is larger than 2^31 - 1
  // bytes, ends the run with a fatal error: the viewer's own, or through
  // onFailure for a program that reports in its own words.
  int32_t openFrom(const char* name, LoadFailureHandler onFailure = nullptr);

  // As openFrom, from bytes already in memory (copied into memory of the same
  // kind). For tools, tests and benchmarks.
  int32_t loadImage(const char* bytes, int32_t size);

  // Offset of the first byte after the first marker that begins at or after
  // start and lies wholly inside the image; -1 when there is none.
  int32_t findNextCat(int32_t start) const;

  // Whether category index exists and its whole record, text included, lies
  // inside the image.
  bool recordFits(int32_t index) const;

  // The record of category index (0 <= index < count).
  CategoryRecord record(int32_t index) const;

  // Prints category index (0 <= index < count): the banner, then, when the
  // record's check value matches password, its decrypted text and "\n".
  // Returns 0 when printed, -1 when the check value does not match. A record
  // that reaches past the end of the image is a fatal error.
  int32_t printcat(int32_t index, const char* password);

  char* buffer = nullptr; // the file's bytes, in memory_; null until loaded
  int32_t length = 0;     // bytes in buffer

private:
  ImageMemory memory_; // owns the bytes at buffer

  // Record start (first byte after the marker) of every category, found once
  // when the image is loaded, so that reaching category k costs O(1).
  std::vector<int32_t> recordStarts_;
};

#endif
