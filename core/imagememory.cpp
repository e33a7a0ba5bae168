#include "imagememory.h"

#include <cstdint>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

#if defined(__has_include)
#if __has_include(<sanitizer/asan_interface.h>)
#include <sanitizer/asan_interface.h>
#endif
#endif

namespace {

// A transparent huge page on x86-64 and arm64 (with 4 KiB base pages).
constexpr size_t kHugePage = size_t{2} << 20;

size_t page_size() {
  static const auto size = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  return size;
}

// Bytes to map for size bytes in use: whole pages, at least one. 0 when that
// does not fit size_t with room for the huge-page alignment.
size_t whole_pages(size_t size) {
  const size_t page = page_size();
  if (size > SIZE_MAX - kHugePage) {
    return 0;
  }
  return size == 0 ? page : (size + page - 1) / page * page;
}

// Under AddressSanitizer the bytes past the image, up to the end of its last
// page, are poisoned, so that a read past the image is caught there as it is
// past a heap block.
void mark_in_use(char* bytes, size_t size, size_t mapped) {
#ifdef ASAN_POISON_MEMORY_REGION
  ASAN_UNPOISON_MEMORY_REGION(bytes, size);
  ASAN_POISON_MEMORY_REGION(bytes + size, mapped - size);
#else
  (void)bytes, (void)size, (void)mapped;
#endif
}

void mark_released(char* bytes, size_t mapped) {
#ifdef ASAN_UNPOISON_MEMORY_REGION
  ASAN_UNPOISON_MEMORY_REGION(bytes, mapped);
#else
  (void)bytes, (void)mapped;
#endif
}

char* map_pages(size_t bytes) {
  // An anonymous mapping has no file; -1 is the descriptor it asks for.
  // cppcheck-suppress invalidFunctionArg
  void* start = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  return start == MAP_FAILED ? nullptr : static_cast<char*>(start);
}

// mapped bytes of fresh zero pages. From one huge page up, the start is
// aligned to a huge page (by mapping one huge page more and unmapping the
// ends), so that every whole 2 MiB of the image can be one huge page: a
// fault, and a TLB entry, for 512 small pages.
char* map_fresh(size_t mapped) {
  if (mapped < kHugePage) {
    return map_pages(mapped);
  }
  char* raw = map_pages(mapped + kHugePage);
  if (raw == nullptr) {
    return nullptr;
  }
  const uintptr_t address = reinterpret_cast<uintptr_t>(raw);
  const size_t head = (kHugePage - address % kHugePage) % kHugePage;
  char* aligned = raw + head;
  if (head > 0) {
    munmap(raw, head);
  }
  munmap(aligned + mapped, kHugePage - head);
#ifdef MADV_HUGEPAGE
  // Refused where the kernel has no transparent huge pages: small pages then.
  madvise(aligned, mapped, MADV_HUGEPAGE);
#endif
  return aligned;
}

} // namespace

ImageMemory::~ImageMemory() {
  unmap();
}

bool ImageMemory::resize(size_t size) {
  const size_t mapped = whole_pages(size);
  if (mapped == 0) {
    return false;
  }
  if (bytes_ == nullptr) {
    bytes_ = map_fresh(mapped);
    if (bytes_ == nullptr) {
      return false;
    }
  } else if (mapped != mapped_) {
#ifdef MREMAP_MAYMOVE
    // The kernel moves the pages themselves: nothing is copied, and the
    // memory in use never holds the image twice.
    mark_released(bytes_, mapped_);
    void* moved = mremap(bytes_, mapped_, mapped, MREMAP_MAYMOVE);
    if (moved == MAP_FAILED) {
      mark_in_use(bytes_, size_, mapped_);
      return false;
    }
    bytes_ = static_cast<char*>(moved);
#else
    char* fresh = map_fresh(mapped);
    if (fresh == nullptr) {
      return false;
    }
    memcpy(fresh, bytes_, size < size_ ? size : size_);
    unmap();
    bytes_ = fresh;
#endif
  }
  size_ = size;
  mapped_ = mapped;
  mark_in_use(bytes_, size_, mapped_);
  return true;
}

void ImageMemory::prefault(size_t from, size_t to) {
#ifdef MADV_POPULATE_WRITE
  const size_t page = page_size();
  const size_t start = from / page * page;
  const size_t end = to < size_ ? to : size_;
  if (bytes_ == nullptr || end <= start) {
    return;
  }
  // Refused by kernels older than 5.14: the read then faults page by page.
  madvise(bytes_ + start, whole_pages(end - start), MADV_POPULATE_WRITE);
#else
  (void)from, (void)to;
#endif
}

void ImageMemory::unmap() {
  if (bytes_ != nullptr) {
    mark_released(bytes_, mapped_);
    munmap(bytes_, mapped_);
  }
  bytes_ = nullptr;
  size_ = 0;
  mapped_ = 0;
}
