// JSON string literals (RFC 8259) from UTF-8 text.
#ifndef MOVREL_MOVREL_JSON_STRING_H
#define MOVREL_MOVREL_JSON_STRING_H

#include "secret_buffer.h"

#include <cstddef>

// Appends the n bytes at text as one JSON string, quotes included. '"' and
// '\' are escaped, control characters (U+0000-U+001F, U+007F) become \b \t
// \n \f \r or \u00XX, and every byte that is not part of a well-formed UTF-8
// sequence (stray continuation, overlong form, surrogate, above U+10FFFF, cut
// short) becomes U+FFFD, so the output is valid UTF-8 whatever text holds.
void append_json_string(SecretBuffer& out, const char* text, size_t n);

#endif
