// Splitting a numbered space of candidates into slices for separate machines
// (or threads): contiguous, near-equal, together covering it exactly once.
#ifndef MOVREL_CIPHER_SHARD_H
#define MOVREL_CIPHER_SHARD_H

#include <cstdint>

struct IndexRange {
  uint64_t begin = 0; // first index
  uint64_t end = 0;   // one past the last
};

// Slice number index (counted from 1) of count slices of [0, total), for
// 1 <= index <= count: the first total % count slices hold one index more
// than the others, and slice k + 1 begins where slice k ends. Never
// overflows: (index - 1) * (total / count) <= total.
inline IndexRange shard_range(uint64_t total, uint64_t index, uint64_t count) {
  const uint64_t each = total / count;
  const uint64_t larger = total % count;
  const uint64_t before = index - 1;
  IndexRange range;
  range.begin = before * each + (before < larger ? before : larger);
  range.end = range.begin + each + (before < larger ? 1 : 0);
  return range;
}

#endif
