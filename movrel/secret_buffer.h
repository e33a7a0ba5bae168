// A growable byte buffer for decrypted text and everything made from it (its
// UTF-8 form, a JSON document, a file's content). No byte of it is ever left
// behind in released memory: growing copies to a new block and wipes the old
// one, and clear() and the destructor wipe what was written.
#ifndef MOVREL_MOVREL_SECRET_BUFFER_H
#define MOVREL_MOVREL_SECRET_BUFFER_H

#include <cstddef>

class SecretBuffer {
public:
  SecretBuffer() = default;
  ~SecretBuffer();
  SecretBuffer(const SecretBuffer&) = delete;
  SecretBuffer& operator=(const SecretBuffer&) = delete;

  // Room for n more bytes after size(); the caller writes at most n bytes
  // there and then calls commit with the number written.
  char* reserve(size_t n);
  void commit(size_t n) { size_ += n; }

  void append(const char* bytes, size_t n);
  void append(const char* text); // zero-terminated
  void append(char byte) { append(&byte, 1); }

  char* data() { return data_; }
  const char* data() const { return data_; }
  size_t size() const { return size_; }

  // Wipes every byte and keeps the block for reuse.
  void clear();

  // Takes the first n bytes (n <= size()) away: the rest moves to the front
  // and the bytes it leaves are wiped.
  void drop_front(size_t n);

private:
  char* data_ = nullptr;
  size_t size_ = 0;
  size_t capacity_ = 0;
};

#endif
