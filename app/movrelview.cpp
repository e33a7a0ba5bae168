#include "movrelview.h"

#include "myfile.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

namespace {

// The driver opens and reads the database with no source location.
constexpr int32_t kNoLine = 0;
constexpr const char* kNoFile = "";

[[noreturn]] void fail_on_file(const char* format, const char* name) {
  current_src_line = kNoLine;
  current_src_file = kNoFile;
  my_error(format, name);
}

// One spare byte keeps the allocation non-empty for an empty file.
char* allocate_image(int32_t size) {
  auto* image = static_cast<char*>(malloc(static_cast<size_t>(size) + 1));
  if (image == nullptr) {
    current_src_line = kNoLine;
    my_error("can't allocate %ld bytes for the database image", static_cast<long>(size));
  }
  return image;
}

} // namespace

MovrelView::~MovrelView() { free(buffer); }

int32_t MovrelView::openFrom(const char* name) {
  FILE* stream = efopen(name, "r", kNoLine, kNoFile);
  // The size comes from the stream that was opened, not from the name again:
  // the two could differ if the file were replaced in between.
  struct stat status;
  if (fstat(fileno(stream), &status) != 0) {
    fail_on_file("%s", "can't read from file");
  }
  if (status.st_size > INT32_MAX) {
    fail_on_file("file %s is too large", name);
  }
  length = static_cast<int32_t>(status.st_size);
  buffer = allocate_image(length);
  efread(buffer, 1, static_cast<size_t>(length), stream, kNoLine, kNoFile);
  fclose(stream);
  return countCategories();
}

int32_t MovrelView::loadImage(const char* bytes, int32_t size) {
  free(buffer);
  length = size > 0 ? size : 0;
  buffer = allocate_image(length);
  if (length > 0) {
    memcpy(buffer, bytes, static_cast<size_t>(length));
  }
  return countCategories();
}

int32_t MovrelView::findNextCat(int32_t start) const {
  if (buffer == nullptr || start < 0) {
    return -1;
  }
  const auto* image = reinterpret_cast<const unsigned char*>(buffer);
  // A marker starts at p only if p + 4 <= length; every marker starts with FF,
  // so memchr skips to the candidates.
  int64_t p = start;
  const int64_t lastStart = static_cast<int64_t>(length) - 4;
  while (p <= lastStart) {
    const void* hit = memchr(image + p, 0xFF, static_cast<size_t>(lastStart - p + 1));
    if (hit == nullptr) {
      return -1;
    }
    p = static_cast<const unsigned char*>(hit) - image;
    if (image[p + 1] == 0x40 && image[p + 2] == 0x44 && (image[p + 3] == 0x02 || image[p + 3] == 0x03)) {
      return static_cast<int32_t>(p + 4);
    }
    ++p;
  }
  return -1;
}

int32_t MovrelView::countCategories() {
  recordStarts_.clear();
  for (int32_t position = findNextCat(0); position >= 0; position = findNextCat(position)) {
    recordStarts_.push_back(position);
  }
  return static_cast<int32_t>(recordStarts_.size());
}
