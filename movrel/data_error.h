// Trouble with the data (a file that cannot be read or written, a damaged
// file, a wrong password): one line on standard error in movrel's layout,
// "movrel COMMAND: message", and exit status 1. Usage errors (options.h) use
// the same layout with status 2.
#ifndef MOVREL_MOVREL_DATA_ERROR_H
#define MOVREL_MOVREL_DATA_ERROR_H

#include "imageload.h"

#include <string>

// The subcommand whose messages these are; main sets it before running it.
void report_as(const char* command);

// Writes "movrel COMMAND: message" to standard error and ends the process
// with exit status 1. The caller wipes its secrets first: nothing is
// unwound (the exit handler wipes the listed ones).
[[noreturn]] void data_error(const std::string& message);

// The same line for a note the run goes on after.
void data_note(const std::string& message);

// data_error naming file and the system's reason for errno error:
// "can't open notes.pdb: Permission denied".
[[noreturn]] void file_error(const char* action, const std::string& file, int error);

// How movrel's commands end when the database cannot be loaded
// (MovrelView::openFrom): file_error in the same words.
void fail_to_load(LoadFailure failure, const char* name);

// The message for category index whose record is not all inside the file.
std::string runs_past_end(int index);

#endif
