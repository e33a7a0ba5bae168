// The candidates one wordlist line stands for. A zero byte ends the line's
// word, as it would end a typed password; an empty word is a candidate (the
// empty password). A word that is valid UTF-8 holding only characters of
// the Palm OS character set is tried as its Palm bytes (café as C A F 0xE9)
// and then as its raw bytes when those differ; every form is upper-cased
// (a-z only) and cut to the 16 bytes a key is made of.
#ifndef MOVREL_MOVREL_RECOVER_WORD_FORMS_H
#define MOVREL_MOVREL_RECOVER_WORD_FORMS_H

#include <cstddef>

constexpr size_t kKeyBytes = 16; // bytes of a password that make its key

struct WordForms {
  unsigned char bytes[2][kKeyBytes]; // zero after length[i]
  size_t length[2];
  size_t count; // 1 or 2
};

// The forms of the n bytes at line (without its line end). Wipe forms after use.
void word_forms(const char* line, size_t n, WordForms& forms);

// How many forms the n bytes at line have: 1 or 2.
size_t word_form_count(const char* line, size_t n);

#endif
