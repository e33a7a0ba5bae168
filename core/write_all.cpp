#include "write_all.h"

#include <cerrno>
#include <unistd.h>

bool write_all(int fd, const char* data, size_t n) {
  while (n > 0) {
    const ssize_t written = write(fd, data, n);
    if (written < 0 && errno == EINTR) {
      continue;
    }
    if (written <= 0) {
      return false;
    }
    data += written;
    n -= static_cast<size_t>(written);
  }
  return true;
}
