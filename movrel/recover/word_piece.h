// A wordlist as a piece of a search: for every line in order, each form of
// its word (word_forms.h), and with each form every candidate of the mask
// part (the word alone when there is none). A line of F forms stands for
// F * mask size candidates.
#ifndef MOVREL_MOVREL_RECOVER_WORD_PIECE_H
#define MOVREL_MOVREL_RECOVER_WORD_PIECE_H

#include "fingerprint.h"
#include "mask_part.h"
#include "piece.h"
#include "wordlist_reader.h"

#include <atomic>
#include <memory>
#include <string>

// The lines of a wordlist and the forms they hold beyond one each.
struct WordCount {
  uint64_t lines = 0;
  uint64_t extraForms = 0;
};

// Counts the lines and forms of n bytes of whole lines.
WordCount count_words(const char* text, size_t n);

// Counts those of the wordlist at path, read through once, and takes its
// fingerprint. On failure returns false and sets error to a one-line reason.
bool count_wordlist(const std::string& path, WordCount& count, Fingerprint& print,
                    std::string& error);

class WordPiece : public Piece {
public:
  // part outlives the piece. size: the candidates when known beforehand (a
  // file counted), else kUnknownSize.
  WordPiece(uint64_t base, const MaskPart& part, uint64_t size,
            size_t blockBytes = WordlistReader::kBlockBytes);

  bool open(const std::string& path, std::string& error) { return reader_.open(path, error); }

  uint64_t size() const override { return size_.load(); }
  bool next(const Scope& scope, Unit& unit) override;
  std::string error() const override { return error_; }
  uint64_t search(const Unit& unit, Trial& trial, uint64_t& tried) const override;
  size_t candidate(const Unit& unit, uint64_t index, unsigned char chars[16]) const override;
  void interrupt() override { reader_.interrupt(); }

private:
  // The unit of the lines from pos_ on, before the scope is applied.
  bool cut(const Scope& scope, Unit& unit);

  const MaskPart& part_;
  WordlistReader reader_;
  std::atomic<uint64_t> size_;
  std::string error_;
  std::shared_ptr<TextBlock> block_;
  size_t pos_ = 0;       // the next line in block_
  uint64_t line_ = 0;    // its number
  uint64_t index_ = 0;   // its first candidate
  uint64_t partial_ = 0; // candidates of that line already handed out
  bool finished_ = false;
};

#endif
