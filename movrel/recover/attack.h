// What a recover run tries, parsed from its options: the pieces of
// candidates in the order they are tried, and the stages they form (the
// built-in plan has several; an attack given on the command line is one).
#ifndef MOVREL_MOVREL_RECOVER_ATTACK_H
#define MOVREL_MOVREL_RECOVER_ATTACK_H

#include "fingerprint.h"
#include "mask.h"
#include "mask_part.h"
#include "piece.h"
#include "trial.h"

#include <memory>
#include <string>
#include <vector>

// The attack options of the command line.
struct AttackOptions {
  bool hasMask = false;
  MaskText mask;
  std::string wordlist; // "" for none, "-" for standard input
  bool increment = false;
  bool hasIncrementMin = false;
  bool hasIncrementMax = false;
  uint64_t incrementMin = 0;
  uint64_t incrementMax = 0;
};

struct Stage {
  std::string title;     // what it tries, in words
  size_t firstPiece = 0; // its pieces: firstPiece .. next stage's first - 1
};

struct Attack {
  std::vector<std::unique_ptr<MaskPart>> parts; // the mask parts of word pieces
  std::vector<std::unique_ptr<Piece>> pieces;
  std::vector<Stage> stages;
  std::vector<FileFingerprint> wordlists; // the regular files read, absolute
  bool lowerFolded = false;               // ?l was written: say once that it folds

  // Candidates in all, or kUnknownSize while a stream is being read.
  uint64_t size() const;
  // The stage that piece belongs to.
  size_t stage_of(size_t piece) const;
  // Candidates of stage, or kUnknownSize.
  uint64_t stage_size(size_t stage) const;
  // Candidates a search restricted to scope tries: of a wordlist, the share
  // of its lines (near enough); kUnknownSize while a stream is being read.
  uint64_t scope_size(const Scope& scope) const;
};

// Adds the pieces of options to attack after those it holds, as a stage of
// title (the last stage, when that has the same title). A wordlist file is
// read through once, to count its candidates and fingerprint it. False,
// with error set to a one-line reason, when the options are malformed, a
// wordlist cannot be read or the candidates do not fit in 64 bits.
bool add_attack(const AttackOptions& options, const std::string& title, Attack& attack,
                std::string& error);

#endif
