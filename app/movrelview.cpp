#include "movrelview.h"

#include "bytestring.h"
#include "ctcompare.h"
#include "myfile.h"
#include "userkey.h"
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

// Record layout, offsets from the first byte after the marker.
constexpr int64_t kNameAt = 0;
constexpr size_t kNameSize = 21;
constexpr int64_t kCheckAt = 21;
constexpr size_t kCheckSize = 8;
constexpr int64_t kLengthAt = 30;
constexpr int64_t kTextAt = 34;
constexpr size_t kPasswordBufferSize = 17;

uint32_t read_be32(const unsigned char* bytes) {
  return (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) | (uint32_t{bytes[2]} << 8) |
         uint32_t{bytes[3]};
}

[[noreturn]] void fail_on_record(int32_t index) {
  current_src_line = kNoLine;
  current_src_file = kNoFile;
  my_error("category %d runs past the end of the file", index);
}

// Everything printcat derives from the password, wiped on every way out.
struct PasswordSecrets {
  char buffer[kPasswordBufferSize] = {};
  uint16_t key[8] = {};
  unsigned char check[kCheckSize] = {};
  ~PasswordSecrets() {
    secure_wipe(buffer, sizeof buffer);
    secure_wipe(key, sizeof key);
    secure_wipe(check, sizeof check);
  }
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
    if (image[p + 1] == 0x40 && image[p + 2] == 0x44 &&
        (image[p + 3] == 0x02 || image[p + 3] == 0x03)) {
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

bool MovrelView::recordFits(int32_t index) const {
  if (index < 0 || static_cast<size_t>(index) >= recordStarts_.size()) {
    return false;
  }
  const int64_t record = recordStarts_[static_cast<size_t>(index)];
  // In 64 bits neither sum can overflow, whatever L the file holds.
  if (record + kTextAt > length) {
    return false;
  }
  const auto* image = reinterpret_cast<const unsigned char*>(buffer);
  const int64_t cipherBytes = (int64_t{read_be32(image + record + kLengthAt)} + 7) / 8 * 8;
  return record + kTextAt + cipherBytes <= length;
}

int32_t MovrelView::printcat(int32_t index, const char* password) {
  // Nothing of a record is used, not even its name, unless all of it is there.
  if (!recordFits(index)) {
    fail_on_record(index);
  }
  const auto* image = reinterpret_cast<const unsigned char*>(buffer);
  const int64_t record = recordStarts_[static_cast<size_t>(index)];
  const uint32_t textLength = read_be32(image + record + kLengthAt);

  // Byte 20 of the name field always ends the name.
  char name[kNameSize];
  strncpy(name, reinterpret_cast<const char*>(image + record + kNameAt), kNameSize);
  name[kNameSize - 1] = '\0';
  printf("******* %s *******\n", name);

  // The check value is the encryption of the first 8 bytes of the password
  // padded with zeros to 17 bytes (16 for the key, with no terminator needed).
  PasswordSecrets secrets;
  memcpy(secrets.buffer, password, strnlen(password, kPasswordBufferSize));
  getuserkeyfromargv(secrets.key, secrets.buffer);
  cipher_string(reinterpret_cast<const uint8_t*>(secrets.buffer), secrets.check, secrets.key,
                static_cast<int32_t>(kCheckSize));
  // Compared in constant time: the check block is made from the password.
  if (!same_bytes_ct(secrets.check, image + record + kCheckAt, kCheckSize)) {
    return -1;
  }

  // The record fits in an image of at most 2^31 - 1 bytes, so L fits int32_t.
  const size_t textSize = size_t{textLength} + 8;
  auto* text = static_cast<char*>(ezmalloc(textSize, "category text", kNoLine, kNoFile));
  decipher_string(image + record + kTextAt, reinterpret_cast<uint8_t*>(text), secrets.key,
                  static_cast<int32_t>(textLength));
  text[textLength] = '\0';
  // Written as bytes, never as a format; a zero byte ends the text.
  fwrite(text, 1, strlen(text), stdout);
  fputs("\n", stdout);
  secure_wipe(text, textSize);
  free(text);
  return 0;
}
