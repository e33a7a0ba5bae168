// Asking the user for the password, as both executables do.
#ifndef MOVREL_APP_PASSWORD_PROMPT_H
#define MOVREL_APP_PASSWORD_PROMPT_H

// The prompt both executables show.
inline constexpr char kPasswordPrompt[] = "Please enter password: ";

// Shows the prompt and reads one line, without its line end: on the
// controlling terminal with echo off, or, with no terminal, from standard
// input (the prompt then goes to standard error). The result stays valid for
// the rest of the run and may be changed in place. No password at all is a
// fatal error.
char* read_password();

// Case does not matter in a password: a-z become A-Z, every other byte stays.
void upper_case(char* text);

#endif
