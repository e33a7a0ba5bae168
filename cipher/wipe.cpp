#include "wipe.h"

#include <string.h>

void secure_wipe(void* p, size_t n) {
  if (p != nullptr && n > 0) {
    // glibc's explicit_bzero is documented never to be elided as a dead store.
    explicit_bzero(p, n);
  }
}

// Not inlined, so that its frame starts where the callee's frame did. The
// vector kernels' frames are under 12 KiB (their subkey tables, which they
// wipe by name, and the spill slots).
__attribute__((noinline)) void scrub_stack() {
  unsigned char area[kScrubbedStackBytes];
  secure_wipe(area, sizeof area);
}
