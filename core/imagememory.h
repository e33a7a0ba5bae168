// Memory for the database image: private anonymous pages of this process.
//
// The file's bytes are copied in with read(2), never mapped from the file, so
// the image is a stable copy: a file that is rewritten or cut short while the
// tool runs can neither change the image nor raise SIGBUS. Large images sit on
// 2 MiB-aligned memory advised for transparent huge pages and are faulted in
// with one call, where the system offers either; elsewhere they are plain
// pages, faulted in one by one. Memory is never accounted beyond the bytes
// asked for rounded up to whole pages, and pages not yet written are not
// resident.
#ifndef MOVREL_CORE_IMAGEMEMORY_H
#define MOVREL_CORE_IMAGEMEMORY_H

#include <cstddef>

class ImageMemory {
public:
  ImageMemory() = default;
  ~ImageMemory();
  ImageMemory(const ImageMemory&) = delete;
  ImageMemory& operator=(const ImageMemory&) = delete;

  // Makes the memory size bytes long (0 is allowed and still gives a valid,
  // non-null address). The first call maps fresh zero pages; later calls grow
  // or shrink the memory, keeping the first bytes it held, and may move it.
  // False, with the memory as it was, when the system has no room.
  bool resize(size_t size);

  // Faults in bytes [from, to) with one call where the system can, rather
  // than page by page inside a later read(2). Only a hint: nothing changes
  // where it cannot.
  void prefault(size_t from, size_t to);

  char* data() const { return bytes_; }
  size_t size() const { return size_; }

private:
  void unmap();

  char* bytes_ = nullptr;
  size_t size_ = 0;   // bytes in use
  size_t mapped_ = 0; // bytes mapped at bytes_: size_ rounded up to whole pages
};

#endif
