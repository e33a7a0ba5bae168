// The search `movrel recover DB` runs when no attack is given: stages of
// what people forget most, each announced with its size and time as it
// begins (movrel(1) lists them with their sizes):
//   1 the empty password and 1 to 10 digits
//   2 every printable character but a-z (which fold into A-Z), lengths 1-6
//   3 letters, lengths 7 and 8
//   4 the system dictionary alone, and with 1 to 4 digits or a symbol after
//     each word (left out where there is none)
//   5 every printable character, length 7
//   6 letters and digits, length 9
//   7 every printable character, length 8
#ifndef MOVREL_MOVREL_RECOVER_PLAN_H
#define MOVREL_MOVREL_RECOVER_PLAN_H

#include "attack.h"

#include <string>

// /usr/share/dict/words where it is a readable file, else "".
std::string system_dictionary();

// Adds the plan's stages to attack, the dictionary's from dictionary ("":
// none). False, with error set, when the dictionary cannot be read.
bool add_plan(Attack& attack, const std::string& dictionary, std::string& error);

#endif
