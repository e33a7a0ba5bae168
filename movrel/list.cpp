// movrel list: not written yet.
#include "commands.h"

#include <cstdio>

namespace {

int run_list(int /*argc*/, char** /*argv*/) {
  fputs("movrel list: not available yet\n", stderr);
  return 1;
}

} // namespace

const Command kListCommand = {"list", "(not available yet)", "usage: movrel list\n", run_list};
