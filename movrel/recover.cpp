// movrel recover: not written yet.
#include "commands.h"

#include <cstdio>

namespace {

int run_recover(int /*argc*/, char** /*argv*/) {
  fputs("movrel recover: not available yet\n", stderr);
  return 1;
}

} // namespace

const Command kRecoverCommand = {"recover", "(not available yet)", "usage: movrel recover\n",
                                 run_recover};
