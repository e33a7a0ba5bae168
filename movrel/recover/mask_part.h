// The mask side of a word + mask search (?w in the mask, a wordlist given):
// the candidates each form of each word is paired with, numbered from 0.
// They run through the mask's forms (mask.h) in order, and within a form
// through its lengths (the number of mask positions, shortest first, ?w
// keeping its place among them) and then like an odometer.
//
// Each word is folded once per length into extra words and XOR-ed into
// lane tables of the mask candidates, one table per length and word length
// (the holes of the word are zero bytes in it: maskspace.h). A small table
// is copied into the batch lane by lane; a large one runs through the kernel
// row by row. Positions that the word pushes past the 16th byte change
// nothing: the candidates that differ only there are one candidate of the
// table, tried once and counted for each.
#ifndef MOVREL_MOVREL_RECOVER_MASK_PART_H
#define MOVREL_MOVREL_RECOVER_MASK_PART_H

#include "mask.h"
#include "trial.h"
#include "word_forms.h"

#include "maskspace.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class MaskPart {
public:
  // The word alone: one candidate per form.
  MaskPart();
  // The forms of mask (each with ?w), with every count of mask positions
  // from shortest to longest (increment) or all of them only. fits() tells
  // whether the count fits in 64 bits.
  MaskPart(const ParsedMask& mask, bool increment, size_t shortest, size_t longest);
  ~MaskPart();
  MaskPart(const MaskPart&) = delete;
  MaskPart& operator=(const MaskPart&) = delete;

  bool fits() const { return fits_; }
  uint64_t size() const { return size_; }
  bool word_only() const { return wordOnly_; }

  // The bytes of mask candidate j (< size()) around word (n <= 16 bytes)
  // into chars; returns the length.
  size_t compose(const unsigned char* word, size_t n, uint64_t j,
                 unsigned char chars[kKeyBytes]) const;

  // Tries word with mask candidates [from, to), candidate j numbered
  // base + j, in order; returns the first confirmed index or kNoIndex.
  // Lanes may stay in trial.batch for the caller to run.
  uint64_t search(const unsigned char* word, size_t n, uint64_t from, uint64_t to, uint64_t base,
                  Trial& trial) const;

private:
  struct Space {
    std::vector<std::string> prefix; // positions before the word
    std::vector<std::string> suffix; // positions after it
    uint64_t base = 0;               // number of its first candidate
    uint64_t count = 0;
    // Lane tables by the word's length in the key (0 .. 16), made when first
    // needed and kept while they fit in the budget.
    std::atomic<const MaskSpace*> tables[kKeyBytes + 1] = {};
  };

  // The table of space for a word of n key bytes, and the candidates of the
  // space that each of its candidates stands for (ahead of positions pushed
  // out). A table over the budget is made into spare.
  const MaskSpace& table(const Space& space, size_t n, uint64_t& repeat,
                         std::unique_ptr<MaskSpace>& spare) const;

  std::vector<std::unique_ptr<Space>> spaces_;
  uint64_t size_ = 1;
  bool wordOnly_ = true;
  bool fits_ = true;
  mutable std::mutex tablesMutex_;
  mutable size_t tableBytes_ = 0;
};

#endif
