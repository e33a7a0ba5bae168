// The candidates of a mask: position j of a candidate takes each byte of the
// set positions[j] in turn. Candidate index order is that of an odometer: the
// last position turns fastest, the first slowest, each through its set in
// the set's order. With lengths from shortest up, all candidates of one
// length come before the longer ones.
//
// A search runs by rows: the last positions (enough for a few thousand
// candidates) vary along a row, the others are fixed for it. The words of
// the varying part are tabled once per length; the fixed part is folded
// once per row and XOR-ed into every lane, which is exact because folding
// and block packing are linear in the bytes for a given length.
//
// A position whose set is the one zero byte is a hole the caller fills: the
// word of a word + mask search. Its bytes come in through first_match's
// extra words, folded once per word for the candidate's whole length, and
// candidate() leaves zeros there.
#ifndef MOVREL_CIPHER_MASKSPACE_H
#define MOVREL_CIPHER_MASKSPACE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ecb.h"
#include "keysearch.h"

class MaskSpace {
public:
  // positions: at most 16 non-empty sets of distinct nonzero bytes, or of
  // the one zero byte (a hole). shortest: the first length tried, 0 (the
  // empty candidate) to positions.size(). When the number of candidates does
  // not fit in 64 bits, fits() is false and nothing else may be called.
  MaskSpace(std::vector<std::string> positions, size_t shortest);

  bool fits() const { return fits_; }
  uint64_t size() const { return size_; }

  // The bytes of candidate index (< size()) into chars; returns its length.
  size_t candidate(uint64_t index, unsigned char chars[16]) const;

  // The lowest index in [begin, end) whose candidate, its words XOR-ed with
  // extra (null: none), matches check on words 1 and 2
  // (keysearch_first_match), or end when none does.
  uint64_t first_match(EcbPath path, uint64_t begin, uint64_t end, const uint16_t check[4],
                       const uint16_t* extra = nullptr) const;

  // When all candidates are one length and one row: the lane rows of the
  // whole space (word w of candidate i at rows[w * stride + i], with
  // kKeySearchSlackLanes readable words after each row), else null.
  const uint16_t* single_row(size_t& stride) const;

  // Bytes of the lane tables.
  size_t table_bytes() const;

private:
  // The candidates of one length.
  struct Segment {
    size_t length = 0;
    uint64_t base = 0;           // index of its first candidate
    uint64_t count = 0;          // product of the set sizes of its positions
    size_t fixed = 0;            // positions 0 .. fixed - 1 are fixed along a row
    uint64_t row = 0;            // candidates per row: product over the others
    size_t stride = 0;           // row + kKeySearchSlackLanes
    std::vector<uint16_t> lanes; // kCandidateWords rows of stride words
  };

  void build(Segment& segment) const;
  // Bytes of positions from .. to - 1 for value (last position fastest).
  void digits(uint64_t value, size_t from, size_t to, unsigned char chars[16]) const;

  std::vector<std::string> positions_;
  std::vector<Segment> segments_;
  uint64_t size_ = 0;
  bool fits_ = true;
};

#endif
