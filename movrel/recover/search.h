// Running a search for a password over a numbered range of candidates on
// several threads. Threads take fixed-size chunks of the range in increasing
// order; the result is the lowest confirmed index, whatever the threads'
// timing, so a run's answer does not depend on the thread count.
#ifndef MOVREL_MOVREL_RECOVER_SEARCH_H
#define MOVREL_MOVREL_RECOVER_SEARCH_H

#include <cstdint>
#include <functional>

#include "shard.h"

struct SearchJob {
  IndexRange range; // the candidates to try
  unsigned threads = 1;
  uint64_t chunk = 1; // candidates a thread takes at a time
  // The lowest index in [begin, end) that may be the password, or end.
  std::function<uint64_t(uint64_t begin, uint64_t end)> firstMatch;
  // Whether candidate index really is the password (a full check).
  std::function<bool(uint64_t index)> confirm;
  bool showProgress = false; // a progress line on standard error
};

struct SearchResult {
  bool found = false;
  uint64_t index = 0; // the password's index, when found
  uint64_t tried = 0; // candidates tried; the whole range when not found
};

SearchResult run_search(const SearchJob& job);

#endif
