// Whole runs over databases from the fixture writer: what a user sees for
// good, odd, wrong and damaged input, on a terminal and from a script.
#include "fixture.h"
#include "tool_runner.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using Categories = std::vector<FixtureCategory>;

class Decoding : public EndToEnd {
protected:
  ToolRun run(const std::string& database, const std::string& password) const {
    TempFile db(database);
    return EndToEnd::run({db.path()}, password);
  }

  std::string err(const std::string& messages) const { return errAfterPrompt(messages); }

  void expectSuccess(const ToolRun& result, const std::string& out) const {
    EXPECT_EQ(result.out, out);
    EXPECT_EQ(result.err, err(""));
    EXPECT_EQ(result.status, 0);
  }
};

TEST_P(Decoding, PrintsEveryCategoryInFileOrder) {
  const Categories categories = {
      {"Personal", "Buy milk.\nCall Ann.", 0x02},
      {"Work", "Quarterly report due", 0x03},
      {"Ideas", "x", 0x02},
  };
  expectSuccess(run(make_database("Secret1", categories), "Secret1"),
                "3 categories found\n"
                "******* Personal *******\nBuy milk.\nCall Ann.\n"
                "******* Work *******\nQuarterly report due\n"
                "******* Ideas *******\nx\n");
}

TEST_P(Decoding, NameFieldShowsAtMostTwentyBytes) {
  const Categories categories = {
      {"ABCDEFGHIJKLMNOPQRST", "twenty", 0x02},
      {"abcdefghijklmnopqrstu", "twenty-one", 0x03},
      {"", "no name", 0x02},
  };
  expectSuccess(run(make_database("pw", categories), "pw"),
                "3 categories found\n"
                "******* ABCDEFGHIJKLMNOPQRST *******\ntwenty\n"
                "******* abcdefghijklmnopqrst *******\ntwenty-one\n"
                "*******  *******\nno name\n");
}

TEST_P(Decoding, TextsArePrintedAsTheyAre) {
  const Categories categories = {
      {"empty", "", 0x02},
      {"eleven", "hello world", 0x02},                         // L mod 8 = 3
      {"zero inside", std::string("before\0after", 12), 0x02}, // cut at the zero
      {"percent", "100% %s %n %d%%", 0x02},                    // no format meaning
      {"high", "caf\xc3\xa9 \xff\x80", 0x02},                  // bytes >= 128
      {"own newline", "line\n", 0x02},
      {"exact blocks", "0123456789abcdef", 0x02}, // L = 16
  };
  expectSuccess(run(make_database("pw", categories), "pw"),
                "7 categories found\n"
                "******* empty *******\n\n"
                "******* eleven *******\nhello world\n"
                "******* zero inside *******\nbefore\n"
                "******* percent *******\n100% %s %n %d%%\n"
                "******* high *******\ncaf\xc3\xa9 \xff\x80\n"
                "******* own newline *******\nline\n\n"
                "******* exact blocks *******\n0123456789abcdef\n");
}

TEST_P(Decoding, PasswordCaseDoesNotMatter) {
  const std::string db = make_database("Mixed Case 9!", {{"Notes", "found", 0x02}});
  for (const char* typed : {"Mixed Case 9!", "MIXED CASE 9!", "mixed case 9!"}) {
    expectSuccess(run(db, typed), "1 categories found\n******* Notes *******\nfound\n");
  }
}

TEST_P(Decoding, OnlySixteenPasswordCharactersCount) {
  const std::string db = make_database("abcdefghijklmnop", {{"Long", "sixteen", 0x02}});
  expectSuccess(run(db, "abcdefghijklmnopQRSTUVWXYZ"),
                "1 categories found\n******* Long *******\nsixteen\n");
}

TEST_P(Decoding, EmptyPasswordIsAPasswordLikeAnyOther) {
  const std::string db = make_database("", {{"Open", "no secret", 0x02}});
  expectSuccess(run(db, ""), "1 categories found\n******* Open *******\nno secret\n");
}

TEST_P(Decoding, MarkerInTheHeaderAreaOpensACategory) {
  const std::string hidden = make_category_record("pw", {"Hidden", "in appInfo", 0x03});
  const std::string db = make_database("pw", {{"Visible", "in a record", 0x02}}, hidden);
  expectSuccess(run(db, "pw"), "2 categories found\n"
                               "******* Hidden *******\nin appInfo\n"
                               "******* Visible *******\nin a record\n");
}

TEST_P(Decoding, WrongPasswordStopsAtTheFirstCategoryAfterAPause) {
  const std::string db =
      make_database("right", {{"First", "a", 0x02}, {"Second", "b", 0x02}, {"Third", "c", 0x03}});
  const ToolRun result = run(db, "wrong");
  EXPECT_EQ(result.out, "3 categories found\n******* First *******\n");
  EXPECT_EQ(result.err, err("ERROR: Wrong password\n"));
  EXPECT_EQ(result.status, 1);
  EXPECT_GE(result.seconds, 2.9);
  EXPECT_LT(result.seconds, 10.0);
}

TEST_P(Decoding, RecordsReachingPastTheEndAreRejected) {
  const std::string good = make_category_record("pw", {"Good", "kept", 0x02});
  const std::string record = make_category_record("pw", {"Cut", "twelve bytes", 0x02});
  std::string hugeLength = record;
  hugeLength.replace(kRecordLengthAt, 4, "\xff\xff\xff\xff");
  const std::string cases[] = {
      good + record.substr(0, record.size() - 1),  // last block one byte short
      good + record.substr(0, kRecordTextAt - 1),  // fixed fields cut short
      good + record.substr(0, kRecordNameAt + 10), // cut inside the name
      good + hugeLength,                           // L far beyond the file
  };
  for (const std::string& db : cases) {
    const ToolRun result = run(db, "pw");
    EXPECT_EQ(result.out, "2 categories found\n******* Good *******\nkept\n");
    EXPECT_EQ(result.err, err("ERROR: category 1 runs past the end of the file\n"));
    EXPECT_EQ(result.status, 1);
  }
}

INSTANTIATE_TEST_SUITE_P(BothWays, Decoding, testing::Values(Mode::Terminal, Mode::Script),
                         mode_name);

} // namespace
