// The password as the user meant it. Typed on a UTF-8 terminal, an accented
// letter arrives as two or three bytes, while the handheld stored the one
// byte of its Palm OS character (é is 0xE9).
#ifndef MOVREL_MOVREL_TYPED_PASSWORD_H
#define MOVREL_MOVREL_TYPED_PASSWORD_H

#include <cstdint>

// When the typed bytes (upper-cased, zero-terminated) do not match the check
// value of a category the run will open, but their Palm form does, password
// becomes that form, in place; otherwise it stays as typed. No pause either
// way: a wrong password still pauses once, where the caller tells it.
void take_palm_form_if_it_opens(char* password, const uint8_t check[8]);

#endif
