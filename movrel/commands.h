// The subcommands of movrel. Each lives in a file of its own and is reached
// through its Command; main only looks the name up.
//
// Exit status, for every subcommand: 0 done, 1 trouble with the data (an
// unreadable or damaged file, a wrong password, nothing found), 2 a usage
// error (unknown option, missing or malformed argument), before anything is
// read.
#ifndef MOVREL_MOVREL_COMMANDS_H
#define MOVREL_MOVREL_COMMANDS_H

struct Command {
  const char* name;
  const char* summary; // one line for `movrel --help`
  const char* usage;   // the subcommand's own help text, ending in "\n"
  // argv[0] is the subcommand's name; argv[argc] is null.
  int (*run)(int argc, char** argv);
};

extern const Command kListCommand;
extern const Command kExportCommand;
extern const Command kRecoverCommand;

#endif
