#include "wordlist_reader.h"

#include "wipe.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Of a line longer than a block, the bytes kept: 16 characters of at most
// 3 bytes, and a character more to find where the 16th ends.
constexpr size_t kLongLineKept = 68;

// A stream is polled this often for an interruption while it is silent.
constexpr int kPollMilliseconds = 100;

// Blocks kept for reuse: enough for the units of a few threads in flight.
constexpr size_t kKeptBlocks = 8;

// A pipe buffer this large lets a fast writer run ahead (best effort).
constexpr int kPipeBytes = 1 << 20;

} // namespace

TextBlock::TextBlock(size_t bytesWanted)
    : bytes(static_cast<char*>(malloc(bytesWanted + kPadding))), capacity(bytesWanted) {
  if (bytes == nullptr) {
    throw std::bad_alloc();
  }
}

TextBlock::~TextBlock() {
  // The list holds the password sought; a block used again may hold more
  // than its last lines.
  secure_wipe(bytes, capacity + kPadding);
  free(bytes);
}

WordlistReader::~WordlistReader() {
  secure_wipe(carry_.data(), carry_.size());
  if (fd_ > STDIN_FILENO) {
    close(fd_);
  }
}

bool WordlistReader::open(const std::string& path, std::string& error) {
  path_ = path;
  fd_ = path == "-" ? STDIN_FILENO : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat info {};
  int reason = 0;
  if (fd_ < 0 || fstat(fd_, &info) != 0) {
    reason = errno;
  } else if (S_ISDIR(info.st_mode)) {
    reason = EISDIR;
  }
  if (reason != 0) {
    error = "cannot read wordlist " + path + ": " + strerror(reason);
    return false;
  }
  stream_ = !S_ISREG(info.st_mode);
  if (S_ISFIFO(info.st_mode)) {
    fcntl(fd_, F_SETPIPE_SZ, kPipeBytes);
  }
  return true;
}

long WordlistReader::read_some(char* p, size_t n) {
  for (;;) {
    if (interrupted_) {
      return 0;
    }
    if (stream_) {
      pollfd ready{fd_, POLLIN, 0};
      const int events = poll(&ready, 1, kPollMilliseconds);
      if (events == 0 || (events < 0 && errno == EINTR)) {
        continue;
      }
    }
    const ssize_t got = read(fd_, p, n);
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) {
      continue;
    }
    if (got > 0 && see_) {
      see_(p, static_cast<size_t>(got));
    }
    return got;
  }
}

bool WordlistReader::skip_rest_of_line(std::string& error) {
  char scratch[1 << 14];
  for (;;) {
    const long got = read_some(scratch, sizeof scratch);
    if (got <= 0) {
      ended_ = true;
      if (got < 0) {
        error = "cannot read wordlist " + path_ + ": " + strerror(errno);
      }
      return got == 0;
    }
    const void* end = memchr(scratch, '\n', static_cast<size_t>(got));
    if (end != nullptr) {
      const char* rest = static_cast<const char*>(end) + 1;
      carry_.assign(rest, static_cast<const char*>(scratch) + got);
      secure_wipe(scratch, sizeof scratch);
      return true;
    }
  }
}

std::shared_ptr<TextBlock> WordlistReader::next_block(std::string& error) {
  std::shared_ptr<TextBlock> block;
  for (const auto& made : blocks_) {
    if (made.use_count() == 1) { // held by no unit: only the reader knows it
      block = made;
      break;
    }
  }
  if (block == nullptr) {
    block = std::make_shared<TextBlock>(blockBytes_);
    if (blocks_.size() < kKeptBlocks) {
      blocks_.push_back(block);
    }
  }
  block->size = 0;
  if (!carry_.empty()) {
    memcpy(block->bytes, carry_.data(), carry_.size());
  }
  block->size = carry_.size();
  secure_wipe(carry_.data(), carry_.size());
  carry_.clear();
  while (block->size < block->capacity && !ended_) {
    const long got = read_some(block->bytes + block->size, block->capacity - block->size);
    if (got < 0) {
      error = "cannot read wordlist " + path_ + ": " + strerror(errno);
      return nullptr;
    }
    ended_ = got == 0;
    block->size += static_cast<size_t>(got);
    // A stream's lines are searched as they come, not once a block is full:
    // the block takes what is there to read now.
    pollfd ready{fd_, POLLIN, 0};
    if (stream_ && memchr(block->bytes + block->size - got, '\n', static_cast<size_t>(got)) &&
        poll(&ready, 1, 0) == 0) {
      break;
    }
  }
  if (interrupted_ || block->size == 0) {
    return nullptr;
  }
  // Loads of up to 64 bytes from a line may reach past the lines: they find
  // zeros (and the bytes cut off below are wiped to zeros).
  memset(block->bytes + block->size, 0, TextBlock::kPadding);
  const char* last = static_cast<const char*>(memrchr(block->bytes, '\n', block->size));
  if (last != nullptr) {
    const size_t whole = static_cast<size_t>(last - block->bytes) + 1;
    carry_.assign(block->bytes + whole, block->bytes + block->size);
    secure_wipe(block->bytes + whole, block->size - whole);
    block->size = whole;
  } else if (!ended_) {
    // One line fills the block: keep its start, drop the rest of it.
    secure_wipe(block->bytes + kLongLineKept, block->size - kLongLineKept);
    block->size = kLongLineKept;
    block->bytes[block->size++] = '\n';
    if (!skip_rest_of_line(error)) {
      return nullptr;
    }
  }
  return block;
}
