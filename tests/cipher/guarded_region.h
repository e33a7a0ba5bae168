// Memory that ends at an inaccessible page, so that any read or write past a
// buffer placed at its end faults, in every build (with or without ASan).
#ifndef MOVREL_TESTS_CIPHER_GUARDED_REGION_H
#define MOVREL_TESTS_CIPHER_GUARDED_REGION_H

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>

class GuardedRegion {
public:
  GuardedRegion() {
    page_ = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    const int flags = MAP_PRIVATE | MAP_ANONYMOUS;
    // An anonymous mapping takes the descriptor -1.
    // cppcheck-suppress invalidFunctionArg
    void* map = mmap(nullptr, 2 * page_, PROT_READ | PROT_WRITE, flags, -1, 0);
    base_ = map == MAP_FAILED ? nullptr : static_cast<uint8_t*>(map);
    if (base_ != nullptr && mprotect(base_ + page_, page_, PROT_NONE) != 0) {
      munmap(base_, 2 * page_);
      base_ = nullptr;
    }
  }
  ~GuardedRegion() {
    if (base_ != nullptr)
      munmap(base_, 2 * page_);
  }
  GuardedRegion(const GuardedRegion&) = delete;
  GuardedRegion& operator=(const GuardedRegion&) = delete;
  bool ok() const { return base_ != nullptr; }
  // n bytes ending exactly at the inaccessible page.
  uint8_t* last(size_t n) { return base_ + page_ - n; }

private:
  size_t page_ = 0;
  uint8_t* base_ = nullptr;
};

#endif
