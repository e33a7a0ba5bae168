// Trouble with the data (a damaged file, a wrong password, a file that cannot
// be written): one error line in the support library's layout, exit status 1.
#ifndef MOVREL_MOVREL_DATA_ERROR_H
#define MOVREL_MOVREL_DATA_ERROR_H

#include <string>

// Writes "ERROR: message" to standard error and ends the process with exit
// status 1. The caller wipes its secrets first: nothing is unwound.
[[noreturn]] void data_error(const std::string& message);

// The viewer's message for category index whose record is not all inside the file.
std::string runs_past_end(int index);

#endif
