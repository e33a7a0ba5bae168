#include "mask_piece.h"

#include "shard.h"

#include <utility>

namespace {

// Candidates a unit holds: a few milliseconds of work on the vector paths,
// so that threads finish together and a find stops them soon.
constexpr uint64_t kMaskChunk = uint64_t{1} << 20;

} // namespace

MaskPiece::MaskPiece(uint64_t base, std::vector<std::string> positions, size_t shortest)
    : Piece(base), space_(std::move(positions), shortest) {}

bool MaskPiece::next(const Scope& scope, Unit& unit) {
  if (!started_) {
    started_ = true;
    const IndexRange slice = shard_range(space_.size(), scope.pick + 1, scope.count);
    const uint64_t lo = scope.lo > base() ? scope.lo - base() : 0;
    const uint64_t hi = scope.hi > base() ? scope.hi - base() : 0;
    at_ = slice.begin > lo ? slice.begin : lo;
    end_ = slice.end < hi ? slice.end : hi;
  }
  if (at_ >= end_) {
    return false;
  }
  unit = Unit();
  unit.begin = base() + at_;
  at_ = end_ - at_ > kMaskChunk ? at_ + kMaskChunk : end_;
  unit.end = base() + at_;
  return true;
}

uint64_t MaskPiece::search(const Unit& unit, Trial& trial, uint64_t& tried) const {
  const uint64_t end = unit.end - base();
  for (uint64_t at = unit.begin - base(); at < end;) {
    const uint64_t hit = space_.first_match(trial.path, at, end, trial.check);
    tried += (hit < end ? hit + 1 : end) - at;
    if (hit < end && trial.confirm(base() + hit)) {
      return base() + hit;
    }
    at = hit + 1;
  }
  return kNoIndex;
}

size_t MaskPiece::candidate(const Unit& /*unit*/, uint64_t index, unsigned char chars[16]) const {
  return space_.candidate(index - base(), chars);
}
