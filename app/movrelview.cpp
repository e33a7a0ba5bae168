#include "movrelview.h"

#include "bytestring.h"
#include "live_secrets.h"
#include "myfile.h"
#include "password_check.h"
#include "wipe.h"

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

[[noreturn]] void fail_on_record(int32_t index) {
  current_src_line = kNoLine;
  current_src_file = kNoFile;
  my_error("category %d runs past the end of the file", index);
}

// The user key, wiped on every way out of printcat, a fatal error included.
struct UserKey {
  uint16_t words[8] = {};
  UserKey() { hold_stack_secret(words, sizeof words); }
  UserKey(const UserKey&) = delete;
  UserKey& operator=(const UserKey&) = delete;
  ~UserKey() { release_secret(words); }
};

} // namespace

MovrelView::~MovrelView() {
  free(buffer);
}

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
  return find_next_marker(reinterpret_cast<const uint8_t*>(buffer), length, start);
}

int32_t MovrelView::countCategories() {
  recordStarts_.clear();
  for (int32_t position = findNextCat(0); position >= 0; position = findNextCat(position)) {
    recordStarts_.push_back(position);
  }
  return static_cast<int32_t>(recordStarts_.size());
}

CategoryRecord MovrelView::record(int32_t index) const {
  return read_record(reinterpret_cast<const uint8_t*>(buffer), length,
                     recordStarts_[static_cast<size_t>(index)]);
}

bool MovrelView::recordFits(int32_t index) const {
  return index >= 0 && static_cast<size_t>(index) < recordStarts_.size() && record(index).fits;
}

int32_t MovrelView::printcat(int32_t index, const char* password) {
  // Nothing of a record is used, not even its name, unless all of it is there.
  if (!recordFits(index)) {
    fail_on_record(index);
  }
  const CategoryRecord category = record(index);
  printf("******* %s *******\n", category.name);

  UserKey key;
  if (!password_opens(password, category.check, key.words)) {
    return -1;
  }

  // The record fits in an image of at most 2^31 - 1 bytes, so L fits int32_t.
  const size_t textSize = size_t{category.textLength} + 8;
  auto* text = static_cast<char*>(ezmalloc(textSize, "category text", kNoLine, kNoFile));
  decipher_string(category.cipherText, reinterpret_cast<uint8_t*>(text), key.words,
                  static_cast<int32_t>(category.textLength));
  text[category.textLength] = '\0';
  // Written as bytes, never as a format; a zero byte ends the text.
  fwrite(text, 1, strlen(text), stdout);
  fputs("\n", stdout);
  secure_wipe(text, textSize);
  free(text);
  return 0;
}
