// Writing a whole byte range to a file descriptor.
#ifndef MOVREL_CORE_WRITE_ALL_H
#define MOVREL_CORE_WRITE_ALL_H

#include <cstddef>

// Writes all n bytes at data to fd, going on after short writes and
// interrupted calls. False when a write fails (errno then tells
// why) or writes nothing. Uses only
// write(2), so signal handlers may call it.
bool write_all(int fd, const char* data, size_t n);

#endif
