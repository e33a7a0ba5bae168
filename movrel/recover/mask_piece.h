// A mask (one of its forms) as a piece of a search: its candidates in the
// order of MaskSpace (cipher/maskspace.h), every length from shortest on.
#ifndef MOVREL_MOVREL_RECOVER_MASK_PIECE_H
#define MOVREL_MOVREL_RECOVER_MASK_PIECE_H

#include "piece.h"

#include "maskspace.h"

class MaskPiece : public Piece {
public:
  // positions and shortest as MaskSpace takes them; fits() as MaskSpace's.
  MaskPiece(uint64_t base, std::vector<std::string> positions, size_t shortest);

  bool fits() const { return space_.fits(); }
  uint64_t size() const override { return space_.size(); }
  bool next(const Scope& scope, Unit& unit) override;
  uint64_t search(const Unit& unit, Trial& trial, uint64_t& tried) const override;
  size_t candidate(const Unit& unit, uint64_t index, unsigned char chars[16]) const override;

private:
  MaskSpace space_;
  bool started_ = false;
  uint64_t at_ = 0; // next candidate handed out, counted from base
  uint64_t end_ = 0;
};

#endif
