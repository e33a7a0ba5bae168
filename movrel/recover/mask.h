// The mask language of `movrel recover --mask`, as hashcat writes it, folded
// to what a key can tell apart. One position per character class:
//   ?l ?u  A-Z (a password is upper-cased before its key is made, so lower
//          case folds into upper case)
//   ?d     0-9            ?h ?H  0-9 and A-F
//   ?s     the printable symbols and space (0x20-0x7E less letters, digits)
//   ?a     ?u?d?s: every printable character except a-z
//   ?b     every byte 0x01-0xFF except a-z
//   ?x     the high bytes 0x80-0xFF
//   ?1-?4  the custom charsets given with -1 .. -4
//   ?w     the word of a wordlist (word + mask); once at most
//   ??     a literal ?; any other character is itself, a-z upper-cased.
// Within a class, bytes come in increasing order; a custom charset holds its
// literals and classes in the order written, each byte once.
//
// Characters: text that is valid UTF-8 and holds only characters of the
// Palm OS character set (palm_charset.h) is read as their Palm bytes (é is
// the byte 0xE9, as typed on the handheld), and also as its raw bytes when
// those differ: such a mask has two forms.
#ifndef MOVREL_MOVREL_RECOVER_MASK_H
#define MOVREL_MOVREL_RECOVER_MASK_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The mask and its custom charsets, as given.
struct MaskText {
  std::string mask;
  std::string charsets[4]; // -1 .. -4
  bool charsetGiven[4] = {};
};

constexpr size_t kNoWord = SIZE_MAX;

// One form of a mask.
struct MaskPattern {
  // The byte set of every position, in order: only the first 16 are kept,
  // since later bytes of a password change nothing.
  std::vector<std::string> positions;
  // The number of positions before ?w, or kNoWord.
  size_t wordAt = kNoWord;

  bool operator==(const MaskPattern& other) const {
    return positions == other.positions && wordAt == other.wordAt;
  }
};

struct ParsedMask {
  std::vector<MaskPattern> forms; // the Palm form first; the raw form when it differs
  bool lowerFolded = false;       // ?l was written somewhere
};

// Parses the mask as written; on a malformed mask or charset returns false
// and sets error to a one-line reason.
bool parse_mask(const MaskText& written, ParsedMask& parsed, std::string& error);

#endif
