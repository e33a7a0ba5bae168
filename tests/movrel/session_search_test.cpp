// A session file gives back what was saved, whatever bytes the options hold,
// and refuses to load once cut short; a search over a wordlist finds the
// first of two copies of the password whatever the thread count, and a
// window of candidates that leaves the first out finds the second.
#include "idea.h"
#include "keysearch.h"
#include "mask_part.h"
#include "search.h"
#include "session.h"
#include "word_piece.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

TEST(Session, SavesAndLoadsAnyBytes) {
  char folder[] = "/tmp/movrel-session-XXXXXX";
  setenv("XDG_STATE_HOME", mkdtemp(folder), 1);
  Session session;
  std::string error;
  ASSERT_TRUE(session.open("any.Name-1", error)) << error;
  SessionState saved;
  saved.database = {"/dir with space/n%te\xC3\xA9.pdb", {42, std::string(64, 'a')}};
  saved.wordlists.push_back({"/w\n\x01", {7, std::string(64, 'f')}});
  saved.options = {{"mask", "?d %41 caf\xC3\xA9\t?w", true}, {"increment", "", false}};
  saved.position = UINT64_MAX - 1;
  saved.tried = 12345;
  saved.elapsed = 33.5;
  ASSERT_TRUE(session.save(saved, error)) << error;
  SessionState loaded;
  ASSERT_TRUE(session.load(loaded, error)) << error;
  EXPECT_EQ(loaded.database.path, saved.database.path);
  EXPECT_TRUE(loaded.database.print == saved.database.print);
  EXPECT_EQ(loaded.wordlists.at(0).path, saved.wordlists[0].path);
  EXPECT_EQ(loaded.options.at(0).value, saved.options[0].value);
  EXPECT_FALSE(loaded.options.at(1).hasValue);
  EXPECT_EQ(loaded.position, saved.position);
  EXPECT_EQ(loaded.elapsed, saved.elapsed);
  // Cut before its position line: damaged.
  std::string text;
  std::getline(std::ifstream(session.path()), text, '\0');
  std::ofstream(session.path()) << text.substr(0, text.find("position"));
  EXPECT_FALSE(session.load(loaded, error));
  EXPECT_NE(error.find("damaged"), std::string::npos) << error;
  session.remove();
  rmdir((std::string(folder) + "/movrel").c_str());
  rmdir(folder);
}

// The index Search finds for "PASSWORD" in lines where it stands twice.
uint64_t find_password(unsigned threads, uint64_t lo) {
  char name[] = "/tmp/movrel-words-XXXXXX";
  const int fd = mkstemp(name);
  std::string text;
  for (int line = 0; line < 300000; ++line) {
    text += line == 1234 || line == 250000 ? "password\n" : "w" + std::to_string(line) + "\n";
  }
  EXPECT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  close(fd);
  const MaskPart alone;
  std::vector<std::unique_ptr<Piece>> pieces;
  auto piece = std::make_unique<WordPiece>(0, alone, kUnknownSize);
  std::string error;
  EXPECT_TRUE(piece->open(name, error));
  pieces.push_back(std::move(piece));
  SearchSetup setup;
  uint16_t words[kCandidateWords];
  candidate_words(reinterpret_cast<const unsigned char*>("PASSWORD"), 8, words);
  uint16_t Z[52];
  en_key_idea(words, Z);
  cipher_idea(words + 8, setup.check, Z);
  setup.path = ecb_best_path();
  setup.threads = threads;
  setup.scope.lo = lo;
  Search search(pieces, setup);
  search.start();
  while (!search.wait_for(std::chrono::milliseconds(50))) {
  }
  unlink(name);
  unsigned char chars[16];
  size_t n = 0;
  return search.found(chars, n);
}

TEST(Search, FirstCopyWhateverTheThreadsAndSecondPastTheWindow) {
  for (unsigned threads : {1u, 2u, 4u}) {
    EXPECT_EQ(find_password(threads, 0), 1234u) << threads << " threads";
  }
  EXPECT_EQ(find_password(3, 1235), 250000u);
}

} // namespace
