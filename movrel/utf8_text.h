// Well-formed UTF-8, for writers whose readers reject anything else.
#ifndef MOVREL_MOVREL_UTF8_TEXT_H
#define MOVREL_MOVREL_UTF8_TEXT_H

#include <cstddef>
#include <cstdint>

// Length of the well-formed UTF-8 sequence at bytes[0..n) (n > 0), 0 if there
// is none there: a stray continuation byte, an overlong form, a surrogate, a
// code point above U+10FFFF, or a sequence cut short.
size_t utf8_sequence_length(const uint8_t* bytes, size_t n);

#endif
