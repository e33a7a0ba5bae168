#include "secret_buffer.h"

#include "data_error.h"
#include "live_secrets.h"
#include "myfile.h"
#include "wipe.h"

#include <cstdlib>
#include <cstring>
#include <string>

SecretBuffer::~SecretBuffer() {
  release_secret(data_);
  free(data_);
}

char* SecretBuffer::reserve(size_t n) {
  if (data_ == nullptr || capacity_ - size_ < n) {
    // Doubling keeps appends linear; a request that cannot be met is fatal.
    size_t capacity = capacity_ < 256 ? 256 : capacity_;
    while (capacity - size_ < n) {
      if (capacity > SIZE_MAX / 2) {
        capacity = SIZE_MAX;
        break;
      }
      capacity *= 2;
    }
    auto* grown = static_cast<char*>(zmalloc(capacity));
    if (grown == nullptr) {
      // The run ends here; the exit handler wipes every listed secret.
      data_error("can't allocate " + std::to_string(capacity) + " bytes for output text");
    }
    // Listed from the start, so that a fatal error or a signal wipes it too.
    hold_secret(grown, capacity);
    if (data_ != nullptr) {
      memcpy(grown, data_, size_);
      release_secret(data_);
    }
    free(data_);
    data_ = grown;
    capacity_ = capacity;
  }
  return data_ + size_;
}

void SecretBuffer::append(const char* bytes, size_t n) {
  if (n > 0) {
    memcpy(reserve(n), bytes, n);
    commit(n);
  }
}

void SecretBuffer::append(const char* text) {
  append(text, strlen(text));
}

void SecretBuffer::clear() {
  secure_wipe(data_, size_);
  size_ = 0;
}

void SecretBuffer::drop_front(size_t n) {
  memmove(data_, data_ + n, size_ - n);
  secure_wipe(data_ + size_ - n, n);
  size_ -= n;
}
