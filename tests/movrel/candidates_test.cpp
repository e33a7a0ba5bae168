// What recover tries, against a plain reference: a wordlist read in small
// blocks (lines carried over, a line longer than a block, CR LF, zero bytes,
// UTF-8 with and without Palm forms, no final line end), alone and with
// masks whose tables are copied or run row by row and whose positions the
// word pushes past the 16th byte. A target is found at the lowest index of
// its bytes, every shard of lines finds it once, and the count is right.
#include "idea.h"
#include "keysearch.h"
#include "mask.h"
#include "mask_part.h"
#include "palm_charset.h"
#include "search.h"
#include "word_forms.h"
#include "word_piece.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::string_literals;

const std::string kText = "alpha\nbravo\ncharlie\ndelta\necho\nfoxtrot\ngolf\nhotel\nindia\n"s +
                          "juliett\nkilo\nlima\nmike\nnovember\npass\nWord\r\n\nab\0cd\n"s +
                          "caf\xC3\xA9\n\xE9t\xE9\nseventeen-letters\n" + std::string(300, 'L') +
                          "\n\xE2\x82\xAC\xE2\x99\xA6x\nzz\n" + std::string(34, '\xC3') + "\n" +
                          [] { // 17 characters é: 16 Palm bytes, or 8 of them raw
                            std::string e;
                            for (int i = 0; i < 17; ++i) {
                              e += "\xC3\xA9";
                            }
                            return e;
                          }() +
                          "\nlast";

using Bytes = std::string;

struct Candidate {
  Bytes bytes;
  uint64_t line;
};

// Every candidate in order, the plain way: lines split on '\n', forms, then
// each mask candidate composed.
std::vector<Candidate> reference(const std::string& text, const MaskPart& part) {
  std::vector<Candidate> all;
  for (size_t at = 0, line = 0; at < text.size(); ++line) {
    size_t end = text.find('\n', at);
    end = end == std::string::npos ? text.size() : end;
    size_t n = end - at;
    n -= n > 0 && text[at + n - 1] == '\r' ? 1 : 0;
    WordForms forms;
    word_forms(text.data() + at, n, forms);
    for (size_t f = 0; f < forms.count; ++f) {
      for (uint64_t j = 0; j < part.size(); ++j) {
        unsigned char chars[16];
        const size_t length = part.word_only()
                                  ? (memcpy(chars, forms.bytes[f], 16), forms.length[f])
                                  : part.compose(forms.bytes[f], forms.length[f], j, chars);
        all.push_back({Bytes(reinterpret_cast<const char*>(chars), length), line});
      }
    }
    at = end + 1;
  }
  return all;
}

struct Outcome {
  uint64_t found = kNoIndex;
  uint64_t tried = 0;
  uint64_t size = 0;
};

// One thread through a WordPiece over text in 128-byte blocks.
Outcome search(const std::string& text, const MaskPart& part, const Bytes& target,
               const Scope& scope) {
  char name[] = "/tmp/movrel-candidates-XXXXXX";
  const int fd = mkstemp(name);
  EXPECT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  close(fd);
  WordPiece piece(0, part, kUnknownSize, 128);
  std::string error;
  EXPECT_TRUE(piece.open(name, error)) << error;
  LaneBatch batch;
  Trial trial;
  trial.path = ecb_best_path();
  // The check value of target: its block under its key.
  uint16_t words[kCandidateWords];
  candidate_words(reinterpret_cast<const unsigned char*>(target.data()), target.size(), words);
  uint16_t Z[52];
  en_key_idea(words, Z);
  cipher_idea(words + 8, trial.check, Z);
  trial.scope = scope;
  trial.batch = &batch;
  Outcome outcome;
  Unit unit;
  trial.confirm = [&](uint64_t index) {
    unsigned char chars[16] = {};
    const size_t n = unit.piece->candidate(unit, index, chars);
    return candidate_confirms(chars, n, trial.check);
  };
  while (outcome.found == kNoIndex && piece.next(scope, unit)) {
    unit.piece = &piece;
    outcome.found = piece.search(unit, trial, outcome.tried);
  }
  while (piece.next(scope, unit)) {
  }
  outcome.size = piece.size();
  unlink(name);
  return outcome;
}

// The first index of target's bytes on a line of shard pick of count.
uint64_t first_of(const std::vector<Candidate>& all, const Bytes& target, uint64_t pick,
                  uint64_t count) {
  for (size_t i = 0; i < all.size(); ++i) {
    if (all[i].bytes == target && all[i].line % count == pick) {
      return i;
    }
  }
  return kNoIndex;
}

void expect_found_everywhere(const MaskPart& part, size_t step) {
  const std::vector<Candidate> all = reference(kText, part);
  // A password that is not there: every candidate counted once, those that
  // differ only past the 16th byte included, in the whole and in a window.
  const Bytes absent = "\x01\x02\x03";
  const Outcome none = search(kText, part, absent, Scope());
  EXPECT_EQ(none.found, kNoIndex);
  EXPECT_EQ(none.tried, all.size());
  const uint64_t lo = all.size() / 3;
  const uint64_t hi = all.size() * 2 / 3 + 1;
  EXPECT_EQ(search(kText, part, absent, Scope{lo, hi, 0, 1}).tried, hi - lo);
  for (size_t target = 0; target < all.size(); target += step) {
    const Outcome whole = search(kText, part, all[target].bytes, Scope());
    EXPECT_EQ(whole.found, first_of(all, all[target].bytes, 0, 1)) << "candidate " << target;
    EXPECT_EQ(whole.size, all.size());
    for (uint64_t pick = 0; pick < 3; ++pick) {
      EXPECT_EQ(search(kText, part, all[target].bytes, Scope{0, UINT64_MAX, pick, 3}).found,
                first_of(all, all[target].bytes, pick, 3))
          << "candidate " << target << " shard " << pick;
    }
  }
}

MaskPart* hybrid(const char* mask, const char* charset, bool increment) {
  MaskText written;
  written.mask = mask;
  written.charsets[0] = charset;
  written.charsetGiven[0] = true;
  ParsedMask parsed;
  std::string error;
  EXPECT_TRUE(parse_mask(written, parsed, error)) << error;
  return new MaskPart(parsed, increment, 0, 16);
}

TEST(Candidates, WordsAloneAreFoundAtTheirFirstIndex) {
  expect_found_everywhere(MaskPart(), 1);
}

TEST(Candidates, WordsWithSmallTablesBeforeAndAfter) {
  const std::unique_ptr<MaskPart> part(hybrid("?1?w?d", "x\xC3\xA9", true));
  expect_found_everywhere(*part, 7);
}

TEST(Candidates, WordsWithRowsAndPositionsPushedOut) {
  const std::unique_ptr<MaskPart> part(hybrid("?w?1?1", "?a", false));
  expect_found_everywhere(*part, 1301);
}

// Every byte of the Palm set comes back from its UTF-8 form; bytes with no
// character, overlong forms, surrogates and cut sequences have none.
TEST(Candidates, PalmBytesFromUtf8) {
  for (int byte = 1; byte < 256; ++byte) {
    SecretBuffer utf8;
    const char in = static_cast<char>(byte);
    append_palm_as_utf8(utf8, &in, 1);
    char out[4];
    const size_t n = palm_from_utf8(utf8.data(), utf8.size(), out);
    if (palm_code_point(static_cast<uint8_t>(byte)) == 0xFFFD) {
      EXPECT_EQ(n, SIZE_MAX) << byte;
    } else {
      ASSERT_EQ(n, 1u) << byte;
      EXPECT_EQ(out[0], in);
    }
  }
  for (const char* bad : {"\xC0\x80", "\xE0\x80\xAF", "\xED\xA0\x80", "\xC3", "\xE2\x82", "\x80",
                          "\xF0\x9F\x98\x80", "\xC2\x81"}) {
    char out[8];
    EXPECT_EQ(palm_from_utf8(bad, strlen(bad), out), SIZE_MAX) << bad;
  }
}

} // namespace
