// Candidates gathered for one call of the key-search kernel, with the index
// of each, so that a kernel match can be confirmed and numbered. Lanes are
// filled in index order, so the first confirmed lane is the lowest index.
//
// Two ways to fill: whole candidates as their bytes (add, or fold_lines for
// a wordlist), folded into the kernel's rows 16 lanes at a time when the
// batch runs; or rows written directly (row, for word + mask). A batch is
// emptied by run before it is filled the other way.
#ifndef MOVREL_MOVREL_RECOVER_LANE_BATCH_H
#define MOVREL_MOVREL_RECOVER_LANE_BATCH_H

#include "keysearch.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

constexpr uint64_t kNoIndex = UINT64_MAX;

class LaneBatch {
public:
  static constexpr size_t kLanes = 2048;
  static constexpr size_t kStride = kLanes + kKeySearchSlackLanes;

  LaneBatch();
  ~LaneBatch(); // wipes: a batch may hold the words of the password sought
  LaneBatch(const LaneBatch&) = delete;
  LaneBatch& operator=(const LaneBatch&) = delete;

  size_t size() const { return count_; }
  size_t room() const { return kLanes - count_; }

  // A candidate's bytes (at most 16, upper-cased, ended by a zero byte
  // unless 16 long; what follows a zero does not count) and its index.
  void add(const unsigned char bytes[16], uint64_t index) {
    memcpy(&bytes_[count_ * 16], bytes, 16);
    indexes_[count_++] = index;
  }

  // Row w of the kernel's lanes, from lane size() on: the caller writes n
  // lanes there (n <= room()) and their indexes at indexes(), then commits.
  uint16_t* row(size_t w) { return &rows_[w * kStride + count_]; }
  uint64_t* indexes() { return &indexes_[count_]; }
  void commit_rows(size_t n) {
    count_ += n;
    direct_ = true;
  }

  // Runs the lanes through the kernel on path against check and empties the
  // batch. Each lane that matches on words 1 and 2 goes to confirm(index),
  // lowest first, until one is confirmed: its index is returned, else
  // kNoIndex.
  template <class Confirm> uint64_t run(EcbPath path, const uint16_t check[4], Confirm&& confirm) {
    if (!direct_) {
      fold_rows(path);
    }
    static const uint16_t kZero[kCandidateWords] = {};
    uint64_t found = kNoIndex;
    for (size_t from = 0; from < count_;) {
      const size_t hit = from + keysearch_first_match(path, rows_.data(), kStride, from,
                                                      count_ - from, kZero, check);
      if (hit >= count_) {
        break;
      }
      if (confirm(indexes_[hit])) {
        found = indexes_[hit];
        break;
      }
      from = hit + 1;
    }
    count_ = 0;
    direct_ = false;
    return found;
  }

private:
  friend void fold_lines(struct LineWalk& walk, LaneBatch& batch);
  friend void fold_forms(const char* line, size_t n, struct LineWalk& walk, LaneBatch& batch,
                         bool picked);

  // The words of the candidates in bytes_ into rows_, on AVX2 where path
  // says the processor has it.
  void fold_rows(EcbPath path);

  std::vector<uint16_t> rows_;       // kCandidateWords rows of kStride words
  std::vector<unsigned char> bytes_; // 16 per lane, and 32 lanes to spare
  std::vector<uint64_t> indexes_;
  size_t count_ = 0;
  bool direct_ = false;
};

// Where a walk over the lines of a wordlist stands, and what it tries.
struct LineWalk {
  const char* text = nullptr; // readable up to 16 bytes past to
  size_t at = 0;              // the next line's first byte
  size_t to = 0;              // the end of the last line (after its line end, if any)
  uint64_t index = 0;         // the next line's first candidate
  uint64_t begin = 0;         // candidates below begin or at or past end are not tried
  uint64_t end = 0;
  uint64_t phase = 0; // line number modulo shardCount
  uint64_t shardCount = 1;
  uint64_t shardPick = 0; // lines whose phase is shardPick are tried
  uint64_t tried = 0;     // candidates added so far
};

// The words of the lines from walk.at on, each folded in each of its forms
// (word_forms.h) into the batch, until the batch has no room for two more
// lanes or walk.to is reached; walk moves past the lines taken.
void fold_lines(LineWalk& walk, LaneBatch& batch);

#endif
