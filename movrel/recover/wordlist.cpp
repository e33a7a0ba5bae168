#include "wordlist.h"

#include "keysearch.h"
#include "password_prompt.h"
#include "wipe.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Candidates between two marks: a thread starting a range reads at most this
// many lines to find its first.
constexpr uint64_t kMarkEvery = 4096;

// Candidates folded and tested per kernel call.
constexpr size_t kBatch = 4096;

// Only the first 16 bytes of a password are folded into its key.
constexpr size_t kKeyBytes = 16;

} // namespace

Wordlist::~Wordlist() {
  secure_wipe(text_.data(), text_.size());
}

bool Wordlist::load(const std::string& path) {
  const int fd = path == "-" ? STDIN_FILENO : open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    return false;
  }
  bool ok = true;
  std::vector<char> buffer(1 << 16);
  for (;;) {
    const ssize_t got = read(fd, buffer.data(), buffer.size());
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got <= 0) {
      ok = got == 0;
      break;
    }
    // Growing by copying would leave stale copies of the list on the heap;
    // reserve in doublings so that each old copy is wiped before release.
    const size_t needed = text_.size() + static_cast<size_t>(got);
    if (needed > text_.capacity()) {
      std::vector<char> larger;
      larger.reserve(needed > 2 * text_.capacity() ? needed : 2 * text_.capacity());
      larger.assign(text_.begin(), text_.end());
      secure_wipe(text_.data(), text_.size());
      text_.swap(larger);
    }
    text_.insert(text_.end(), buffer.data(), buffer.data() + got);
  }
  secure_wipe(buffer.data(), buffer.size());
  const int saved = errno;
  if (fd != STDIN_FILENO) {
    close(fd);
  }
  errno = saved;
  if (!ok) {
    return false;
  }
  unsigned char chars[16];
  for (size_t at = 0; at < text_.size(); at = next_line(at)) {
    if (take(at, chars) > 0) {
      if (count_ % kMarkEvery == 0) {
        marks_.push_back(at);
      }
      ++count_;
    }
  }
  secure_wipe(chars, sizeof chars);
  return true;
}

size_t Wordlist::next_line(size_t at) const {
  const void* end = memchr(text_.data() + at, '\n', text_.size() - at);
  return end == nullptr ? text_.size()
                        : static_cast<size_t>(static_cast<const char*>(end) - text_.data()) + 1;
}

size_t Wordlist::take(size_t at, unsigned char chars[16]) const {
  size_t end = next_line(at);
  if (end > at && text_[end - 1] == '\n') {
    --end;
  }
  if (end > at && text_[end - 1] == '\r') {
    --end;
  }
  char word[kKeyBytes + 1] = {};
  size_t n = 0;
  while (at + n < end && n < kKeyBytes && text_[at + n] != '\0') {
    word[n] = text_[at + n];
    ++n;
  }
  upper_case(word);
  memcpy(chars, word, n);
  secure_wipe(word, sizeof word);
  return n;
}

size_t Wordlist::line_of(uint64_t index) const {
  size_t at = marks_[index / kMarkEvery];
  unsigned char chars[16];
  for (uint64_t skip = index % kMarkEvery; skip > 0; at = next_line(at)) {
    if (take(at, chars) > 0) {
      --skip;
    }
  }
  while (take(at, chars) == 0) {
    at = next_line(at);
  }
  return at;
}

size_t Wordlist::candidate(uint64_t index, unsigned char chars[16]) const {
  return take(line_of(index), chars);
}

uint64_t Wordlist::first_match(EcbPath path, uint64_t begin, uint64_t end,
                               const uint16_t check[4]) const {
  if (begin >= end) {
    return end;
  }
  constexpr size_t kStride = kBatch + kKeySearchSlackLanes;
  std::vector<uint16_t> lanes(kCandidateWords * kStride, 0);
  const uint16_t outer[kCandidateWords] = {};
  unsigned char chars[16];
  uint16_t words[kCandidateWords];
  uint64_t found = end;
  size_t at = line_of(begin);
  for (uint64_t index = begin; index < end && found == end;) {
    size_t filled = 0;
    for (; filled < kBatch && index + filled < end; at = next_line(at)) {
      const size_t n = take(at, chars);
      if (n > 0) {
        candidate_words(chars, n, words);
        for (size_t w = 0; w < kCandidateWords; ++w) {
          lanes[w * kStride + filled] = words[w];
        }
        ++filled;
      }
    }
    const size_t hit = keysearch_first_match(path, lanes.data(), kStride, 0, filled, outer, check);
    if (hit < filled) {
      found = index + hit;
    }
    index += filled;
  }
  // A batch may hold the words of the password sought.
  secure_wipe(lanes.data(), lanes.size() * sizeof(uint16_t));
  secure_wipe(chars, sizeof chars);
  secure_wipe(words, sizeof words);
  return found;
}
