// Loading a database image: the file's bytes copied into private memory, and
// the category markers found in them.
//
// The image is filled in chunks, spread over the available workers, and each
// chunk is searched for markers by the worker that filled it while its bytes
// are still in that processor's cache: the copy, the zeroing of fresh pages
// and the search then run on every processor at once.
#ifndef MOVREL_CORE_IMAGELOAD_H
#define MOVREL_CORE_IMAGELOAD_H

#include "imagememory.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

// One transparent huge page: fresh memory is zeroed a chunk at a time.
constexpr size_t kImageChunkBytes = size_t{2} << 20;

// Why a file could not be loaded.
enum class LoadFailure {
  Open,    // it cannot be opened (errno says why)
  Read,    // it cannot be sized or read, or was cut short while read (errno,
           // or 0 for a file that gave fewer bytes than its size)
  TooLarge // it holds more than 2^31 - 1 bytes
};

// Ends the run for failure of file name; must not return. A program that
// reports in its own words gives one; without, the failures are the viewer's
// fatal errors.
using LoadFailureHandler = void (*)(LoadFailure failure, const char* name);

// Reads the file name (through the search path) into memory and finds its
// markers: recordStarts gets the first byte after each, in file order. A
// regular file is read to the size it had when opened; a pipe, FIFO or device
// to its end. A file that cannot be opened, sized or read, or that is larger
// than 2^31 - 1 bytes, ends the run through onFailure.
void load_file_image(const char* name, ImageMemory& memory, std::vector<int32_t>& recordStarts,
                     LoadFailureHandler onFailure = nullptr);

// As load_file_image, from size bytes already at bytes.
void load_memory_image(const char* bytes, size_t size, ImageMemory& memory,
                       std::vector<int32_t>& recordStarts);

// fill(from, to) puts image bytes [from, to) in place; false when it cannot.
using ChunkFill = std::function<bool(size_t from, size_t to)>;

// Fills image[0..length) through fill, chunkBytes at a time on up to workers
// threads, and sets recordStarts to what following find_next_marker from 0
// gives. False, with recordStarts unspecified, when a fill failed.
bool fill_and_find_markers(const uint8_t* image, size_t length, const ChunkFill& fill,
                           std::vector<int32_t>& recordStarts, size_t chunkBytes, int workers);

#endif
