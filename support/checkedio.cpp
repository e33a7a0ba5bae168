// Checked wrappers round the standard stream operations.
#include "internal.h"
#include "myfile.h"

#include <cstdarg>

namespace {

constexpr const char* kWriteNull = "can't write to file, file pointer is NULL";
constexpr const char* kWriteFailed = "can't write to file";
constexpr const char* kReadNull = "can't read from file, file pointer is NULL";
constexpr const char* kReadFailed = "can't read from file";

// fwrite and fread answer 0 items when the item size is 0, which would read
// as a failure: a request for no bytes at all succeeds, with every item done,
// and the stream is not touched.
bool nothing_asked(size_t size, size_t count) {
  return size == 0 || count == 0;
}

} // namespace

int efprintf(FILE* stream, const char* format, ...) {
  if (stream == nullptr) {
    my_error("%s", kWriteNull);
  }
  va_list args;
  va_start(args, format);
  const int written = vfprintf(stream, format, args);
  va_end(args);
  if (written < 0) {
    my_error("%s", kWriteFailed);
  }
  return written;
}

int wfprintf(FILE* stream, const char* format, ...) {
  if (stream == nullptr) {
    return my_warning("%s", kWriteNull);
  }
  va_list args;
  va_start(args, format);
  const int written = vfprintf(stream, format, args);
  va_end(args);
  if (written < 0) {
    my_warning("%s", kWriteFailed);
  }
  return written;
}

long efwrite(const void* data, size_t size, size_t count, FILE* stream, int32_t line,
             const char* file) {
  store_location(line, file);
  if (stream == nullptr) {
    my_error("%s", kWriteNull);
  }
  if (nothing_asked(size, count)) {
    return static_cast<long>(count);
  }
  const size_t written = fwrite(data, size, count, stream);
  if (written != count) {
    my_error("%s", kWriteFailed);
  }
  return static_cast<long>(written);
}

long wfwrite(const void* data, size_t size, size_t count, FILE* stream, int32_t line,
             const char* file) {
  store_location(line, file);
  if (stream == nullptr) {
    return my_warning("%s", kWriteNull);
  }
  if (nothing_asked(size, count)) {
    return static_cast<long>(count);
  }
  const size_t written = fwrite(data, size, count, stream);
  if (written != count) {
    my_warning("%s", kWriteFailed);
  }
  return static_cast<long>(written);
}

long efread(void* buffer, size_t size, size_t count, FILE* stream, int32_t line, const char* file) {
  store_location(line, file);
  if (stream == nullptr) {
    my_error("%s", kReadNull);
  }
  if (nothing_asked(size, count)) {
    return static_cast<long>(count);
  }
  const size_t got = fread(buffer, size, count, stream);
  if (got != count) {
    my_error("%s", kReadFailed);
  }
  return static_cast<long>(got);
}

long wfread(void* buffer, size_t size, size_t count, FILE* stream, int32_t line, const char* file) {
  store_location(line, file);
  if (stream == nullptr) {
    return my_warning("%s", kReadNull);
  }
  if (nothing_asked(size, count)) {
    return static_cast<long>(count);
  }
  const size_t got = fread(buffer, size, count, stream);
  if (got != count) {
    my_warning("%s", kReadFailed);
  }
  return static_cast<long>(got);
}
