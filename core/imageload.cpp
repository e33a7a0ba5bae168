#include "imageload.h"

#include "dbformat.h"
#include "myfile.h"
#include "workers.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The driver opens and reads the database with no source location.
constexpr int32_t kNoLine = 0;
constexpr const char* kNoFile = "";

// The viewer's fatal errors, in its words.
void fail_as_viewer(LoadFailure failure, const char* name) {
  current_src_line = kNoLine;
  current_src_file = kNoFile;
  switch (failure) {
  case LoadFailure::Open:
    my_error("can't open file %s for `reading'", name);
  case LoadFailure::Read:
    my_error("%s", "can't read from file");
  case LoadFailure::TooLarge:
    my_error("file %s is too large", name);
  }
}

[[noreturn]] void fail_on_file(LoadFailureHandler onFailure, LoadFailure failure,
                               const char* name) {
  (onFailure != nullptr ? onFailure : fail_as_viewer)(failure, name);
  abort(); // a handler does not return
}

void allocate_image(ImageMemory& memory, size_t size) {
  if (!memory.resize(size)) {
    current_src_line = kNoLine;
    my_error("can't allocate %ld bytes for the database image", static_cast<long>(size));
  }
}

// Reads until count bytes are in or the file ends, from offset when it is not
// negative (and then without moving the file position), else from the file
// position. The bytes read, or -1 after an error.
ssize_t read_up_to(int descriptor, char* into, size_t count, off_t offset) {
  size_t done = 0;
  while (done < count) {
    const ssize_t got = offset < 0 ? read(descriptor, into + done, count - done)
                                   : pread(descriptor, into + done, count - done,
                                           offset + static_cast<off_t>(done));
    if (got == 0) {
      break;
    }
    if (got < 0) {
      if (errno == EINTR) {
        continue;
      }
      return -1;
    }
    done += static_cast<size_t>(got);
  }
  return static_cast<ssize_t>(done);
}

// A pipe, FIFO or device has no size to ask for: it is read to its end in
// steps, and the memory grows (by moving pages, never by copying) as it
// fills. Only the steps read are resident, so the memory stays within one
// step of the bytes read.
constexpr size_t kStreamStep = size_t{1} << 20;

void read_stream(int descriptor, const char* name, ImageMemory& memory,
                 LoadFailureHandler onFailure) {
  size_t length = 0;
  allocate_image(memory, kStreamStep);
  for (;;) {
    if (memory.size() - length < kStreamStep) {
      allocate_image(memory, 2 * memory.size());
    }
    memory.prefault(length, length + kStreamStep);
    const ssize_t got = read_up_to(descriptor, memory.data() + length, kStreamStep, -1);
    if (got < 0) {
      fail_on_file(onFailure, LoadFailure::Read, name);
    }
    length += static_cast<size_t>(got);
    if (length > static_cast<size_t>(INT32_MAX)) {
      fail_on_file(onFailure, LoadFailure::TooLarge, name);
    }
    if (static_cast<size_t>(got) < kStreamStep) {
      break;
    }
  }
  allocate_image(memory, length);
}

// Workers for an image of length bytes: one chunk each at least, so that a
// small file (the usual case) starts no thread.
int workers_for(size_t length, size_t chunkBytes) {
  const size_t chunks = (length + chunkBytes - 1) / chunkBytes;
  return static_cast<int>(std::min(chunks, static_cast<size_t>(available_workers())));
}

bool find_markers(const ImageMemory& memory, const ChunkFill& fill,
                  std::vector<int32_t>& recordStarts) {
  const size_t length = memory.size();
  return fill_and_find_markers(reinterpret_cast<const uint8_t*>(memory.data()), length, fill,
                               recordStarts, kImageChunkBytes,
                               workers_for(length, kImageChunkBytes));
}

} // namespace

bool fill_and_find_markers(const uint8_t* image, size_t length, const ChunkFill& fill,
                           std::vector<int32_t>& recordStarts, size_t chunkBytes, int workers) {
  // Markers cannot overlap (none of the bytes after a marker's FF is FF), so
  // the markers that lie wholly inside each chunk, with those that straddle
  // two, in file order, are what one scan from 0 finds.
  const size_t chunks = (length + chunkBytes - 1) / chunkBytes;
  std::vector<std::vector<int32_t>> found(chunks);
  std::atomic<size_t> nextChunk{0};
  std::atomic<bool> failed{false};
  const auto end_of = [&](size_t chunk) { return std::min(length, (chunk + 1) * chunkBytes); };
  run_workers(std::max(1, workers), [&](int) {
    for (size_t chunk = nextChunk++; chunk < chunks && !failed; chunk = nextChunk++) {
      const size_t from = chunk * chunkBytes;
      const size_t to = end_of(chunk);
      if (!fill(from, to)) {
        failed = true;
        return;
      }
      const auto within = static_cast<int32_t>(to);
      for (int32_t at = find_next_marker(image, within, static_cast<int32_t>(from)); at >= 0;
           at = find_next_marker(image, within, at)) {
        found[chunk].push_back(at);
      }
    }
  });
  if (failed) {
    return false;
  }
  recordStarts.clear();
  for (size_t chunk = 0; chunk < chunks; ++chunk) {
    recordStarts.insert(recordStarts.end(), found[chunk].begin(), found[chunk].end());
    std::vector<int32_t>().swap(found[chunk]);
    // A marker that starts in the last 3 bytes of a chunk ends in the next.
    const size_t to = end_of(chunk);
    const size_t from = std::max(chunk * chunkBytes, to >= 3 ? to - 3 : 0);
    const auto within = static_cast<int32_t>(std::min(length, to + 3));
    for (int32_t at = find_next_marker(image, within, static_cast<int32_t>(from)); at >= 0;
         at = find_next_marker(image, within, at)) {
      recordStarts.push_back(at);
    }
  }
  return true;
}

void load_file_image(const char* name, ImageMemory& memory, std::vector<int32_t>& recordStarts,
                     LoadFailureHandler onFailure) {
  // The viewer opens through the search path, whose failure is its own
  // fatal error; a program with its own words opens the name as given.
  FILE* stream = onFailure == nullptr ? efopen(name, "r", kNoLine, kNoFile) : fopen(name, "r");
  if (stream == nullptr) {
    fail_on_file(onFailure, LoadFailure::Open, name);
  }
  const int descriptor = fileno(stream);
  // The size comes from the stream that was opened, not from the name again:
  // the two could differ if the file were replaced in between.
  struct stat status;
  if (fstat(descriptor, &status) != 0) {
    fail_on_file(onFailure, LoadFailure::Read, name);
  }
  if (!S_ISREG(status.st_mode)) {
    read_stream(descriptor, name, memory, onFailure);
    find_markers(
        memory, [](size_t, size_t) { return true; }, recordStarts);
  } else if (status.st_size > INT32_MAX) {
    fail_on_file(onFailure, LoadFailure::TooLarge, name);
  } else {
    // The size the file had when opened is the image's length: the file
    // growing later adds nothing, and a file that yields fewer bytes (it was
    // cut short meanwhile) is an error, as a short read always was. Chunks
    // are read on worker threads, whose errno the failure takes along.
    allocate_image(memory, static_cast<size_t>(status.st_size));
    std::atomic<int> readError{0};
    const bool read = find_markers(
        memory,
        [&memory, &readError, descriptor](size_t from, size_t to) {
          memory.prefault(from, to);
          const ssize_t got =
              read_up_to(descriptor, memory.data() + from, to - from, static_cast<off_t>(from));
          if (got != static_cast<ssize_t>(to - from)) {
            readError = got < 0 ? errno : 0;
            return false;
          }
          return true;
        },
        recordStarts);
    if (!read) {
      errno = readError;
      fail_on_file(onFailure, LoadFailure::Read, name);
    }
  }
  fclose(stream);
}

void load_memory_image(const char* bytes, size_t size, ImageMemory& memory,
                       std::vector<int32_t>& recordStarts) {
  allocate_image(memory, size);
  find_markers(
      memory,
      [&memory, bytes](size_t from, size_t to) {
        memcpy(memory.data() + from, bytes + from, to - from);
        return true;
      },
      recordStarts);
}
