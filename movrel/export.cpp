// movrel export: not written yet.
#include "commands.h"

#include <cstdio>

namespace {

int run_export(int /*argc*/, char** /*argv*/) {
  fputs("movrel export: not available yet\n", stderr);
  return 1;
}

} // namespace

const Command kExportCommand = {"export", "(not available yet)", "usage: movrel export\n",
                                run_export};
