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

#endif
