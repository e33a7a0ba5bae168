// A wordlist read in blocks of whole lines, never whole: a file read in
// pieces, or a stream (standard input as "-", a FIFO) read as it comes.
// Memory stays at a block or two whatever the size of the list. Only the
// first bytes of a line can make a password (16 characters of up to 3 UTF-8
// bytes each), so a line longer than a block is kept cut.
#ifndef MOVREL_MOVREL_RECOVER_WORDLIST_READER_H
#define MOVREL_MOVREL_RECOVER_WORDLIST_READER_H

#include "piece.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class WordlistReader {
public:
  // Bytes a block holds at most; tests may make it smaller. A block is
  // read, counted and folded in turn, so it is kept small enough to stay in
  // a core's second-level cache between those passes (128 KiB measured best
  // of 64 KiB to 1 MiB on the development machine).
  static constexpr size_t kBlockBytes = size_t{1} << 17;

  explicit WordlistReader(size_t blockBytes = kBlockBytes) : blockBytes_(blockBytes) {}
  ~WordlistReader();
  WordlistReader(const WordlistReader&) = delete;
  WordlistReader& operator=(const WordlistReader&) = delete;

  // Opens path ("-": standard input). On failure returns false and sets
  // error to "cannot read wordlist PATH: reason".
  bool open(const std::string& path, std::string& error);

  // The next block, or null at the end of the list, on a read error (error
  // is then set) or once interrupted. One thread at a time.
  std::shared_ptr<TextBlock> next_block(std::string& error);

  // Shows every byte read, in order, to see (for a fingerprint).
  void on_bytes(std::function<void(const char*, size_t)> see) { see_ = std::move(see); }

  // Makes a read that waits for a stream give up, from any thread.
  void interrupt() { interrupted_ = true; }
  bool interrupted() const { return interrupted_; }

private:
  // Reads up to n bytes into p: the count, 0 at the end or when
  // interrupted, -1 on an error.
  long read_some(char* p, size_t n);
  // Drops bytes up to and including the next line end into carry_.
  bool skip_rest_of_line(std::string& error);

  size_t blockBytes_;
  std::string path_;
  int fd_ = -1;
  bool stream_ = false; // not a regular file: wait for it with poll
  bool ended_ = false;
  std::atomic<bool> interrupted_{false};
  std::vector<char> carry_; // the start of a line the last block cut
  // Blocks made so far, taken again once no unit holds them: a fresh block
  // of this size would come from the system as new pages, each a fault and
  // a page cleared.
  std::vector<std::shared_ptr<TextBlock>> blocks_;
  std::function<void(const char*, size_t)> see_;
};

#endif
