// Asking the user for the password, as both executables do.
#ifndef MOVREL_CORE_PASSWORD_PROMPT_H
#define MOVREL_CORE_PASSWORD_PROMPT_H

#include <cstddef>

// The prompt both executables show.
inline constexpr char kPasswordPrompt[] = "Please enter password: ";

// Bytes of the typed line that are kept; the rest of a longer line is read
// and dropped (only the first 16 bytes make the key).
inline constexpr size_t kPasswordMaxBytes = 1023;

// Shows the prompt and reads one line, without its line end: on the
// controlling terminal with echo off, or, with no terminal, from standard
// input (the prompt then goes to standard error). Reads byte by byte, so
// nothing after the line is consumed and no copy is left in a stream buffer.
//
// The terminal's signal keys stay on: Ctrl-C (or a SIGTERM, SIGHUP, SIGQUIT)
// while reading restores the terminal's settings, wipes the listed secrets
// and ends the process by that signal; Ctrl-Z restores the settings, stops,
// and on resuming asks again from the start. On every other way out the
// settings are restored too.
//
// The first call starts the secret run (live_secrets.h). The result is a
// buffer of the reader's own, listed as a live secret: valid for the rest of
// the run, may be changed in place, wiped whole by wipe_password. End of
// input before a line end gives what was read (an empty password at once); a
// read error is the fatal error "can't read password".
char* read_password();

// As read_password, with another prompt, into the caller's buffer (which the
// caller lists as a live secret and wipes; the secret run must have started):
// for a second password of the run, such as a new one for an exported file.
// False when the line was longer than kPasswordMaxBytes bytes (the rest was
// dropped).
bool read_hidden_line(const char* prompt, char buffer[kPasswordMaxBytes + 1]);

// Wipes the whole buffer read_password filled, bytes after an embedded zero
// byte or after the line's end included.
void wipe_password();

// Case does not matter in a password: a-z become A-Z, every other byte stays.
void upper_case(char* text);

// upper_case on the n bytes at text, zero bytes included. Takes the same
// time and touches the same memory whatever the bytes are.
void upper_case_bytes(char* text, size_t n);

#endif
