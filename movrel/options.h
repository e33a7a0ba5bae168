// Command-line words of one subcommand: options as "--name value",
// "--name=value", a bare "--flag" or, where an option has a short name,
// "-c value", and positional words. "--" ends the
// options. Usage errors print one line and the subcommand's usage to standard
// error and exit with status 2.
#ifndef MOVREL_MOVREL_OPTIONS_H
#define MOVREL_MOVREL_OPTIONS_H

#include "commands.h"

#include <string>
#include <vector>

struct OptionSpec {
  const char* name; // without the leading "--"
  bool takesValue;
  char shortName = '\0'; // also written "-c VALUE" (hashcat's -1 .. -4), or none
};

struct ParsedOption {
  std::string name;
  std::string value; // empty for a flag
};

struct ParsedArgs {
  std::vector<ParsedOption> options; // in command-line order
  std::vector<std::string> positional;

  bool has(const char* name) const;
  // The last value given for name, or fallback when it was not given.
  std::string value(const char* name, const std::string& fallback = "") const;
};

// Parses argv[1..argc-1] of command against specs; a word that is not an
// option in specs, or an option without its value, is a usage error.
ParsedArgs parse_args(const Command& command, int argc, char** argv,
                      const std::vector<OptionSpec>& specs);

// Prints "movrel NAME: message" and the command's usage to standard error,
// then exits with status 2.
[[noreturn]] void usage_error(const Command& command, const std::string& message);

#endif
