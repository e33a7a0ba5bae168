// A category name as movrel shows it in a listing or a message: converted
// to UTF-8, with every control byte (a line end, an escape that would drive
// the terminal, DEL) shown as '?'. Names come from the file: they are data,
// never terminal input.
#ifndef MOVREL_MOVREL_SHOWN_NAME_H
#define MOVREL_MOVREL_SHOWN_NAME_H

#include "secret_buffer.h"

#include <string>

// Appends the shown form of the zero-terminated Palm OS name.
void append_shown_name(SecretBuffer& out, const char* palmName);

std::string shown_name(const char* palmName);

#endif
