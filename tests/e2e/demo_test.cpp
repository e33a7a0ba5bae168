// The demo database in examples/ still opens with the password the README
// gives and shows the notes it was made from.
#include "tool_runner.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

namespace {

std::string note(const char* file) {
  std::ifstream in(std::string(MOVREL_SOURCE_DIR) + "/examples/notes/" + file, std::ios::binary);
  EXPECT_TRUE(in.good()) << file;
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(Demo, ShowsItsNotesWithTheReadmePassword) {
  const ToolRun result =
      run_without_terminal({std::string(MOVREL_SOURCE_DIR) + "/examples/demo.pdb"}, "palmpilot\n");
  EXPECT_EQ(result.out, "4 categories found\n"
                        "******* Personal *******\n" +
                            note("personal.txt") + "\n" + "******* Shopping *******\n" +
                            note("shopping.txt") + "\n" + "******* Cards & accounts *******\n" +
                            note("accounts.txt") + "\n" + "******* Books to read *******\n" +
                            note("books.txt") + "\n");
  EXPECT_EQ(result.status, 0);
}

} // namespace
