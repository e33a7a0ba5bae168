#include "movrelview.h"

#include "bytestring.h"
#include "ctcompare.h"
#include "live_secrets.h"
#include "myfile.h"
#include "password_check.h"
#include "wipe.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The driver opens and reads the database with no source location.
constexpr int32_t kNoLine = 0;
constexpr const char* kNoFile = "";

[[noreturn]] void fail_on_file(const char* format, const char* name) {
  current_src_line = kNoLine;
  current_src_file = kNoFile;
  my_error(format, name);
}

void allocate_image(ImageMemory& memory, size_t size) {
  if (!memory.resize(size)) {
    current_src_line = kNoLine;
    my_error("can't allocate %ld bytes for the database image", static_cast<long>(size));
  }
}

// Reads until count bytes are in or the file ends; returns the bytes read.
size_t read_up_to(int descriptor, char* into, size_t count) {
  size_t done = 0;
  while (done < count) {
    const ssize_t got = read(descriptor, into + done, count - done);
    if (got == 0) {
      break;
    }
    if (got < 0) {
      if (errno == EINTR) {
        continue;
      }
      fail_on_file("%s", "can't read from file");
    }
    done += static_cast<size_t>(got);
  }
  return done;
}

// The size a regular file had when it was opened is the image's length: the
// file growing later adds nothing, and a file that yields fewer bytes (it was
// cut short meanwhile) is an error, as a short read always was.
void read_regular_file(int descriptor, size_t size, ImageMemory& memory) {
  allocate_image(memory, size);
  memory.prefault(0, size);
  if (read_up_to(descriptor, memory.data(), size) != size) {
    fail_on_file("%s", "can't read from file");
  }
}

// A pipe, FIFO or device has no size to ask for: it is read to its end in
// steps, and the memory grows (by moving pages, never by copying) as it
// fills. Only the steps read are resident, so the memory stays within one
// step of the bytes read.
constexpr size_t kStreamStep = size_t{1} << 20;

void read_stream(int descriptor, const char* name, ImageMemory& memory) {
  size_t length = 0;
  allocate_image(memory, kStreamStep);
  for (;;) {
    if (memory.size() - length < kStreamStep) {
      allocate_image(memory, 2 * memory.size());
    }
    memory.prefault(length, length + kStreamStep);
    const size_t got = read_up_to(descriptor, memory.data() + length, kStreamStep);
    length += got;
    if (length > static_cast<size_t>(INT32_MAX)) {
      fail_on_file("file %s is too large", name);
    }
    if (got < kStreamStep) {
      break;
    }
  }
  allocate_image(memory, length);
}

// The user key, wiped on every way out of printcat, a fatal error included.
struct UserKey {
  uint16_t words[8] = {};
  UserKey() { hold_stack_secret(words, sizeof words); }
  UserKey(const UserKey&) = delete;
  UserKey& operator=(const UserKey&) = delete;
  ~UserKey() { release_secret(words); }
};

// Decrypted text passes through plaintext on its way to stdout, a piece at a
// time, so no copy the size of a text is made. Its size is whole blocks, so
// every piece but the last of a text is whole blocks too.
constexpr uint32_t kPlaintextChunkBytes = 64 * 1024;

// printcat's secrets, in one object. The decryption schedule is made once
// for the run's user key (every category of a file opens with the same
// password), and again should a category open with another key; it and its
// key are wiped when the image is released and before the run ends at a
// category (a wrong password, a record past the end). plaintext is wiped
// after each category as far as it was used.
struct TextSecrets {
  uint16_t userKey[8] = {};
  uint16_t schedule[52] = {};
  bool scheduleMade = false;
  uint8_t plaintext[kPlaintextChunkBytes] = {};
};
TextSecrets text_secrets;

void forget_text_key() {
  secure_wipe(&text_secrets, offsetof(TextSecrets, plaintext));
}

[[noreturn]] void fail_on_record(int32_t index) {
  forget_text_key();
  current_src_line = kNoLine;
  current_src_file = kNoFile;
  my_error(kRecordPastEndFormat, index);
}

const uint16_t* schedule_for(const uint16_t key[8]) {
  TextSecrets& secrets = text_secrets;
  // Listed once, the first time a text is decrypted; it stays listed, so that
  // every way the run ends wipes it.
  static const bool held = (hold_secret(&secrets, sizeof secrets), true);
  (void)held;
  // The comparison tells no more than whether the key changed.
  if (!secrets.scheduleMade ||
      !same_bytes_ct(reinterpret_cast<const uint8_t*>(key),
                     reinterpret_cast<const uint8_t*>(secrets.userKey), sizeof secrets.userKey)) {
    memcpy(secrets.userKey, key, sizeof secrets.userKey);
    decipher_schedule(key, secrets.schedule);
    secrets.scheduleMade = true;
  }
  return secrets.schedule;
}

// The image was written by read(2) long before its texts are decrypted, so a
// text comes from main memory; the processor's own prefetcher stops at each
// 4 KiB page. Asking for the whole piece first saves about a tenth of the
// decryption time on a large file.
constexpr size_t kCacheLine = 64;

void prefetch(const uint8_t* bytes, size_t size) {
  for (size_t offset = 0; offset < size; offset += kCacheLine) {
    __builtin_prefetch(bytes + offset);
  }
}

// Writes the textLength bytes decrypted from cipherText up to the first zero
// byte among them, as bytes, never as a format; wipes what it decrypted.
void print_text(const uint8_t* cipherText, uint32_t textLength, const uint16_t key[8]) {
  const uint16_t* schedule = schedule_for(key);
  uint8_t* plaintext = text_secrets.plaintext;
  size_t used = 0;
  for (uint32_t done = 0; done < textLength; done += kPlaintextChunkBytes) {
    const uint32_t piece = std::min(textLength - done, kPlaintextChunkBytes);
    // Whole blocks: the last block's bytes past the text are decrypted too,
    // never written, and wiped with the rest.
    const auto blockBytes = static_cast<size_t>(cipher_size(piece));
    prefetch(cipherText + done, blockBytes);
    decipher_blocks(cipherText + done, plaintext, blockBytes / 8, schedule);
    used = std::max(used, blockBytes);
    const auto* zero = static_cast<const uint8_t*>(memchr(plaintext, 0, piece));
    const size_t shown = zero != nullptr ? static_cast<size_t>(zero - plaintext) : piece;
    fwrite(plaintext, 1, shown, stdout);
    if (zero != nullptr) {
      break;
    }
  }
  secure_wipe(plaintext, used);
}

} // namespace

MovrelView::~MovrelView() {
  forget_text_key();
}

int32_t MovrelView::openFrom(const char* name) {
  FILE* stream = efopen(name, "r", kNoLine, kNoFile);
  // The size comes from the stream that was opened, not from the name again:
  // the two could differ if the file were replaced in between.
  struct stat status;
  if (fstat(fileno(stream), &status) != 0) {
    fail_on_file("%s", "can't read from file");
  }
  if (!S_ISREG(status.st_mode)) {
    read_stream(fileno(stream), name, memory_);
  } else if (status.st_size > INT32_MAX) {
    fail_on_file("file %s is too large", name);
  } else {
    read_regular_file(fileno(stream), static_cast<size_t>(status.st_size), memory_);
  }
  fclose(stream);
  buffer = memory_.data();
  length = static_cast<int32_t>(memory_.size());
  return countCategories();
}

int32_t MovrelView::loadImage(const char* bytes, int32_t size) {
  const size_t count = size > 0 ? static_cast<size_t>(size) : 0;
  allocate_image(memory_, count);
  if (count > 0) {
    memcpy(memory_.data(), bytes, count);
  }
  buffer = memory_.data();
  length = static_cast<int32_t>(count);
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
    forget_text_key();
    return -1;
  }

  print_text(category.cipherText, category.textLength, key.words);
  fputs("\n", stdout);
  return 0;
}
