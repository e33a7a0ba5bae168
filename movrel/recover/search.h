// Running a search for a password over pieces of candidates on several
// threads. Threads take units in increasing index order; the result is the
// lowest confirmed index whatever the threads' timing, so a run's answer
// does not depend on the thread count. The main thread starts the search and
// watches it (status, sessions, signals) until it ends or is stopped.
#ifndef MOVREL_MOVREL_RECOVER_SEARCH_H
#define MOVREL_MOVREL_RECOVER_SEARCH_H

#include "piece.h"
#include "trial.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

struct SearchSetup {
  uint16_t check[4] = {}; // the check value's words (check_words)
  EcbPath path = EcbPath::Portable;
  Scope scope;
  unsigned threads = 1;
};

// Whether the n bytes at chars are the password of check: all four words of
// its check block, not only the two the kernels compare. Wipes its copies.
bool candidate_confirms(const unsigned char* chars, size_t n, const uint16_t check[4]);

class Search {
public:
  // pieces outlive the search.
  Search(const std::vector<std::unique_ptr<Piece>>& pieces, const SearchSetup& setup);
  ~Search(); // stops the threads and waits for them
  Search(const Search&) = delete;
  Search& operator=(const Search&) = delete;

  void start();
  // Waits at most timeout; true once every thread has ended.
  bool wait_for(std::chrono::milliseconds timeout);
  // No unit is taken after this; the threads end within a unit's time.
  void stop();

  uint64_t tried() const;
  // Every candidate in scope below this index has been tried: a resumed
  // search starts here.
  uint64_t position() const;
  // The piece being searched (pieces.size() once none is left).
  size_t piece() const { return current_.load(); }
  // The lowest confirmed index, or kNoIndex; its bytes into chars.
  uint64_t found(unsigned char chars[16], size_t& n) const;
  // Why the search failed (a wordlist that cannot be read, no memory), or "".
  std::string error() const;

private:
  void work();
  bool take(Unit& unit);
  void finish(const Unit& unit, uint64_t tried);
  bool confirm(const Unit& unit, uint64_t index);
  void fail(const std::string& message);

  const std::vector<std::unique_ptr<Piece>>& pieces_;
  const SearchSetup setup_;
  std::vector<std::thread> threads_;
  std::atomic<size_t> current_{0};
  std::atomic<bool> stop_{false};
  std::mutex takeMutex_; // one thread at a time asks a piece for a unit

  mutable std::mutex stateMutex_;
  std::condition_variable ended_;
  unsigned running_ = 0;
  std::multiset<uint64_t> inFlight_; // first index of every unit being tried
  uint64_t frontier_ = 0;            // end of the last unit taken
  uint64_t tried_ = 0;
  uint64_t best_ = kNoIndex;
  std::string error_;
  // The bytes of the best find: listed as a live secret for the search's life.
  struct Found {
    unsigned char chars[16];
    size_t length;
  } found_{};
};

#endif
