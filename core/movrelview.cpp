#include "movrelview.h"

#include "category_render.h"
#include "ctcompare.h"
#include "imageload.h"
#include "live_secrets.h"
#include "password_check.h"
#include "wipe.h"

#include <cstring>

namespace {

// 16 bytes of a password count, and one more keeps a copy zero-terminated.
constexpr size_t kPasswordBytes = 17;

// printcat's key, made once for the password it is called with (every
// category of a file opens with the same one) and again should the password
// change, and the buffer its text passes through. Listed the first time the
// key is made. The key is wiped when the image is released and before the run
// ends at a category (a wrong password, a record past the end); the text
// after each piece.
struct PrintcatSecrets {
  char password[kPasswordBytes] = {};
  PasswordKey key = {};
  bool made = false;
  uint8_t text[kTextPieceBytes] = {};
};
PrintcatSecrets printcat_secrets;

void forget_printcat_key() {
  secure_wipe(&printcat_secrets, offsetof(PrintcatSecrets, text));
}

const PasswordKey& key_for(const char* password) {
  static const bool held = (hold_secret(&printcat_secrets, sizeof printcat_secrets), true);
  (void)held;
  char given[kPasswordBytes] = {};
  hold_stack_secret(given, sizeof given);
  memcpy(given, password, strnlen(password, kPasswordBytes - 1));
  // The comparison tells no more than whether the password changed.
  if (!printcat_secrets.made ||
      !same_bytes_ct(reinterpret_cast<const uint8_t*>(given),
                     reinterpret_cast<const uint8_t*>(printcat_secrets.password), kPasswordBytes)) {
    memcpy(printcat_secrets.password, given, kPasswordBytes);
    make_password_key(printcat_secrets.password, printcat_secrets.key);
    printcat_secrets.made = true;
  }
  release_secret(given);
  return printcat_secrets.key;
}

} // namespace

MovrelView::~MovrelView() {
  forget_printcat_key();
}

int32_t MovrelView::openFrom(const char* name, LoadFailureHandler onFailure) {
  load_file_image(name, memory_, recordStarts_, onFailure);
  buffer = memory_.data();
  length = static_cast<int32_t>(memory_.size());
  return static_cast<int32_t>(recordStarts_.size());
}

int32_t MovrelView::loadImage(const char* bytes, int32_t size) {
  load_memory_image(bytes, size > 0 ? static_cast<size_t>(size) : 0, memory_, recordStarts_);
  buffer = memory_.data();
  length = static_cast<int32_t>(memory_.size());
  return static_cast<int32_t>(recordStarts_.size());
}

int32_t MovrelView::findNextCat(int32_t start) const {
  return find_next_marker(reinterpret_cast<const uint8_t*>(buffer), length, start);
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
    forget_printcat_key();
    fail_record_past_end(index);
  }
  const PasswordKey& key = key_for(password);
  StreamSink sink(StreamSink::To::Stdout, printcat_secrets.text);
  const bool opened = render_category(record(index), key, sink);
  scrub_stack();
  if (!opened) {
    forget_printcat_key();
    return -1;
  }
  return 0;
}
