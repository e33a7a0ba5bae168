// The candidates of a search come in pieces, one after the other in index
// order: a mask, a wordlist (alone or with a mask), the stages of the
// built-in plan. A piece hands out units, runs of consecutive indexes small
// enough that a thread tries one in a few milliseconds, in increasing order.
#ifndef MOVREL_MOVREL_RECOVER_PIECE_H
#define MOVREL_MOVREL_RECOVER_PIECE_H

#include "mask_part.h"

#include <cstdint>
#include <memory>
#include <string>

constexpr uint64_t kUnknownSize = UINT64_MAX;

// Lines of a wordlist read at once, zero-padded at the end so that 64 bytes
// can be loaded from any byte. Wiped when released.
struct TextBlock {
  explicit TextBlock(size_t capacity);
  ~TextBlock();
  TextBlock(const TextBlock&) = delete;
  TextBlock& operator=(const TextBlock&) = delete;

  static constexpr size_t kPadding = 64;
  char* bytes;
  size_t capacity; // bytes usable before the padding
  size_t size = 0; // bytes of whole lines (the last may lack its line end at the end of input)
};

class Piece;

struct Unit {
  Piece* piece = nullptr;
  uint64_t begin = 0; // the candidates to try
  uint64_t end = 0;
  // A wordlist's: the lines at [from, to) of block, the first numbered line
  // and its first candidate lineStart.
  std::shared_ptr<const TextBlock> block;
  size_t from = 0;
  size_t to = 0;
  uint64_t line = 0;
  uint64_t lineStart = 0;
};

class Piece {
public:
  explicit Piece(uint64_t base) : base_(base) {}
  virtual ~Piece() = default;
  Piece(const Piece&) = delete;
  Piece& operator=(const Piece&) = delete;

  // The index of its first candidate.
  uint64_t base() const { return base_; }
  // Its candidates, or kUnknownSize while a stream is still being read.
  virtual uint64_t size() const = 0;
  // Within scope, the next unit after the last; false when none is left or
  // on an error (error() is then not empty). One thread at a time.
  virtual bool next(const Scope& scope, Unit& unit) = 0;
  virtual std::string error() const { return ""; }
  // Tries the unit's candidates in order; returns the first index that
  // trial.confirm confirmed, or kNoIndex. tried gets how many were tried.
  virtual uint64_t search(const Unit& unit, Trial& trial, uint64_t& tried) const = 0;
  // The bytes of candidate index of unit into chars; returns the length.
  virtual size_t candidate(const Unit& unit, uint64_t index, unsigned char chars[16]) const = 0;
  // Gives up waiting for input, from any thread: next() then returns false.
  virtual void interrupt() {}

private:
  uint64_t base_;
};

#endif
