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
  // positions: 1 to 16 non-empty sets of distinct nonzero bytes. shortest:
  // the first length tried, 1 to positions.size(). When the number of
  // candidates does not fit in 64 bits, fits() is false and nothing else
  // may be called.
  MaskSpace(std::vector<std::string> positions, size_t shortest);

  bool fits() const { return fits_; }
  uint64_t size() const { return size_; }

  // The bytes of candidate index (< size()) into chars; returns its length.
  size_t candidate(uint64_t index, unsigned char chars[16]) const;

  // The lowest index in [begin, end) whose candidate matches check on words
  // 1 and 2 (keysearch_first_match), or end when none does.
  uint64_t first_match(EcbPath path, uint64_t begin, uint64_t end, const uint16_t check[4]) const;

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
