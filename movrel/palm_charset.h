// The Palm OS character set (Palm OS 3.5 and later), in which the notes and
// category names are stored, and its conversion to UTF-8.
//
// 0x00-0x7F are ASCII and 0xA0-0xFF Latin-1. 0x80-0x9F follow Windows-1252,
// except 0x8D-0x90, which hold the card suits (U+2666, U+2663, U+2665,
// U+2660), and 0x81, 0x9B, 0x9D, 0x9E, which hold no character: they become
// U+FFFD, so the result is always valid UTF-8.
#ifndef MOVREL_MOVREL_PALM_CHARSET_H
#define MOVREL_MOVREL_PALM_CHARSET_H

#include "secret_buffer.h"

#include <cstddef>
#include <cstdint>

// The character a Palm OS byte stands for; U+FFFD for the unassigned ones.
uint32_t palm_code_point(uint8_t byte);

// Appends the UTF-8 form of the n bytes at text (at most 3 bytes each).
void append_palm_as_utf8(SecretBuffer& out, const char* text, size_t n);

// Whether byte shows as a visible character: not a control (0x00-0x1F,
// 0x7F), not one of the unassigned bytes, not the no-break space (0xA0) or
// the soft hyphen (0xAD), which look like nothing or like a plain space.
bool palm_printable(uint8_t byte);

// Appends the UTF-8 form of the n bytes at text for a terminal or a table:
// as append_palm_as_utf8, with every control byte shown as '?', so that text
// from a file cannot break a line or drive the terminal.
void append_palm_for_display(SecretBuffer& out, const char* text, size_t n);

// The Palm OS bytes of the n bytes of UTF-8 at text, written to out (room for
// n bytes: a character never takes more bytes in the Palm set): their count,
// or SIZE_MAX when text is not valid UTF-8 or holds a character the set lacks.
size_t palm_from_utf8(const char* text, size_t n, char* out);

#endif
