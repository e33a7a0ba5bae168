// mkmovrel OUTPUT PASSWORD NAME TEXTFILE [NAME TEXTFILE ...]
// Writes a Movrel! database holding one category per NAME, whose text is the
// content of TEXTFILE, encrypted under PASSWORD. For tests and the demo.
#include "fixture.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>

int main(int argc, char** argv) {
  if (argc < 3 || (argc - 3) % 2 != 0) {
    std::cerr << "usage: " << argv[0] << " OUTPUT PASSWORD [NAME TEXTFILE]...\n";
    return 2;
  }
  std::vector<FixtureCategory> categories;
  for (int i = 3; i + 1 < argc; i += 2) {
    std::ifstream text(argv[i + 1], std::ios::binary);
    if (!text) {
      std::cerr << argv[0] << ": cannot read " << argv[i + 1] << "\n";
      return 1;
    }
    categories.push_back({argv[i], std::string(std::istreambuf_iterator<char>(text), {}), 0x02});
  }
  const std::string file = make_database(argv[2], categories);
  std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
  out.write(file.data(), static_cast<std::streamsize>(file.size()));
  if (!out.flush()) {
    std::cerr << argv[0] << ": cannot write " << argv[1] << "\n";
    return 1;
  }
  return 0;
}
