#include "wipe.h"

#include <string.h>

void secure_wipe(void* p, size_t n) {
  if (p != nullptr && n > 0) {
    // glibc's explicit_bzero is documented never to be elided as a dead store.
    explicit_bzero(p, n);
  }
}
