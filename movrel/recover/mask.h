// The mask syntax of `movrel recover --mask`: one position per character
// class, as password crackers write them.
//   ?u  A-Z            ?d  0-9
//   ?s  the printable symbols and space (0x20-0x7E less letters and digits)
//   ?a  every printable character except a-z (which fold to A-Z): ?u?d?s
//   ?h  the bytes 0x80-0xFF
//   ??  a literal ?    any other byte: itself, a-z upper-cased
// Case does not matter in a password (letters are upper-cased before the key
// is folded), so no class holds a-z.
#ifndef MOVREL_MOVREL_RECOVER_MASK_H
#define MOVREL_MOVREL_RECOVER_MASK_H

#include <string>
#include <vector>

// The byte set of every position of mask, in order; only the first 16
// positions are kept, since later bytes of a password change nothing. On a
// malformed mask returns false and sets error to a one-line reason.
bool parse_mask(const std::string& mask, std::vector<std::string>& positions, std::string& error);

#endif
