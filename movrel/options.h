// Command-line words of one subcommand: options as "--name value",
// "--name=value" or a bare "--flag" (an option with a short name also as
// "-x value" or "-xvalue"), and positional words. "--" ends the
// options. Usage errors print one line and the subcommand's usage to standard
// error and exit with status 2.
#ifndef MOVREL_MOVREL_OPTIONS_H
#define MOVREL_MOVREL_OPTIONS_H

#include "commands.h"

#include <cstdio>
#include <string>
#include <vector>

struct OptionSpec {
  const char* name; // without the leading "--"
  bool takesValue;
  char shortName = '\0'; // the x of "-x", or none
};

struct ParsedOption {
  std::string name;  // the long name, however it was spelled
  std::string value; // empty for a flag
};

struct ParsedArgs {
  std::vector<ParsedOption> options; // in command-line order
  std::vector<std::string> positional;

  bool has(const char* name) const;
  // The last value given for name, or fallback when it was not given.
  std::string value(const char* name, const std::string& fallback = "") const;
};

// Prints command's help: its usage text and the line for -h and --help.
void print_help(const Command& command, FILE* stream);

// Parses argv[1..argc-1] of command against specs; a word that is not an
// option in specs, or an option without its value, is a usage error. -h or
// --help before a lone "--" prints the help on standard output and ends the
// run with status 0.
ParsedArgs parse_args(const Command& command, int argc, char** argv,
                      const std::vector<OptionSpec>& specs);

// Prints "movrel NAME: message" and the command's usage to standard error,
// then exits with status 2.
[[noreturn]] void usage_error(const Command& command, const std::string& message);

#endif
