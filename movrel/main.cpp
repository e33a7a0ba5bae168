// movrel: the companion of movrelview, with subcommands for what a user moving
// notes off the Palm needs beyond reading them.
#include "commands.h"
#include "data_error.h"
#include "options.h"

#include <cstdio>
#include <cstring>

#ifndef MOVREL_VERSION
#error "MOVREL_VERSION must give the project's version"
#endif

namespace {

const Command* const kCommands[] = {&kListCommand, &kExportCommand, &kRecoverCommand};

const Command* find_command(const char* name) {
  for (const Command* command : kCommands) {
    if (strcmp(command->name, name) == 0) {
      return command;
    }
  }
  return nullptr;
}

void print_usage(FILE* stream) {
  fputs("usage: movrel COMMAND [OPTIONS] DB\n"
        "       movrel help COMMAND | --help | --version\n\n"
        "Lists, exports and recovers the notes of a Movrel! for PalmPilot database.\n\n"
        "Commands:\n",
        stream);
  for (const Command* command : kCommands) {
    fprintf(stream, "  %-9s %s\n", command->name, command->summary);
  }
}

int usage_failure(const char* format, const char* word) {
  fputs("movrel: ", stderr);
  fprintf(stderr, format, word);
  fputs("\n", stderr);
  print_usage(stderr);
  return 2;
}

} // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    return usage_failure("%s", "missing command");
  }
  const char* word = argv[1];
  if (strcmp(word, "--help") == 0 || strcmp(word, "-h") == 0) {
    print_usage(stdout);
    return 0;
  }
  if (strcmp(word, "--version") == 0) {
    printf("movrel %s\n", MOVREL_VERSION);
    return 0;
  }
  if (strcmp(word, "help") == 0) {
    if (argc == 2) {
      print_usage(stdout);
      return 0;
    }
    const Command* command = find_command(argv[2]);
    if (command == nullptr) {
      return usage_failure("unknown command %s", argv[2]);
    }
    print_help(*command, stdout);
    return 0;
  }
  const Command* command = find_command(word);
  if (command == nullptr) {
    return usage_failure(word[0] == '-' ? "unknown option %s" : "unknown command %s", word);
  }
  report_as(command->name);
  return command->run(argc - 1, argv + 1);
}
