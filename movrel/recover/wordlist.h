// The candidates of `movrel recover --wordlist FILE`: one a line, in file
// order. The line end ("\n", and a "\r" before it) is removed, a zero byte
// ends the candidate as it would end a typed password, lines left empty are
// skipped; the rest is upper-cased and cut to 16 bytes, as the viewer treats
// a password. Candidates are numbered from 0 over the lines kept.
#ifndef MOVREL_MOVREL_RECOVER_WORDLIST_H
#define MOVREL_MOVREL_RECOVER_WORDLIST_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ecb.h"

class Wordlist {
public:
  Wordlist() = default;
  ~Wordlist();
  Wordlist(const Wordlist&) = delete;
  Wordlist& operator=(const Wordlist&) = delete;

  // Reads the whole file ("-": standard input) and numbers its candidates.
  // False, with errno set, when it cannot be read.
  bool load(const std::string& path);

  uint64_t size() const { return count_; }

  // The bytes of candidate index (< size()) into chars; returns its length.
  size_t candidate(uint64_t index, unsigned char chars[16]) const;

  // The lowest index in [begin, end) whose candidate matches check on words
  // 1 and 2 (keysearch_first_match), or end when none does.
  uint64_t first_match(EcbPath path, uint64_t begin, uint64_t end, const uint16_t check[4]) const;

private:
  // Offset in text_ of the line of candidate index, and the line after it.
  size_t line_of(uint64_t index) const;
  size_t next_line(size_t at) const;
  // The candidate in the line at offset at, or 0 for a line that holds none.
  size_t take(size_t at, unsigned char chars[16]) const;

  std::vector<char> text_;    // the file; wiped when released (it holds the password sought)
  std::vector<size_t> marks_; // line offset of every kMarkEvery-th candidate
  uint64_t count_ = 0;
};

#endif
