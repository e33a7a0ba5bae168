#include "secret_buffer.h"

#include "data_error.h"
#include "myfile.h"
#include "wipe.h"

#include <cstdlib>
#include <cstring>
#include <string>

SecretBuffer::~SecretBuffer() {
  secure_wipe(data_, capacity_);
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
      // The run ends here; at least what this buffer holds goes first.
      secure_wipe(data_, capacity_);
      data_error("can't allocate " + std::to_string(capacity) + " bytes for output text");
    }
    if (data_ != nullptr) {
      memcpy(grown, data_, size_);
    }
    secure_wipe(data_, capacity_);
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
