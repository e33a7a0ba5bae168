// The category output splits its work among threads; what it gives must not
// depend on how: the output, byte for byte, and the way it stops, are those
// of printcat called category by category.
#include "category_output.h"
#include "fixture.h"
#include "imageload.h"
#include "movrelview.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// What fd 1 receives while body runs.
template <class Body> std::string output_of(Body body) {
  fflush(stdout);
  const int saved = dup(STDOUT_FILENO);
  const int capture = memfd_create("output", 0);
  dup2(capture, STDOUT_FILENO);
  body();
  fflush(stdout);
  dup2(saved, STDOUT_FILENO);
  close(saved);
  std::string bytes(static_cast<size_t>(lseek(capture, 0, SEEK_END)), '\0');
  EXPECT_EQ(pread(capture, bytes.data(), bytes.size(), 0), static_cast<ssize_t>(bytes.size()));
  close(capture);
  return bytes;
}

constexpr char kPassword[] = "parallel";

// Texts of 0 to 9 bytes, with zero bytes, and long ones, over 2 MiB;
// the one of 300 KiB outgrows a batch. lastPassword makes the last one.
std::string database(const char* lastPassword, size_t categories) {
  std::string file = make_database(kPassword, {});
  for (size_t index = 0; index < categories; ++index) {
    std::string text(index % 10 + (index % 7 == 0 ? 20000 : 0),
                     static_cast<char>('a' + index % 26));
    if (index % 5 == 0 && !text.empty()) {
      text[text.size() / 2] = '\0';
    }
    if (index == 100) {
      text.assign(size_t{300} * 1024, 'x');
    }
    file += make_category_record(index + 1 == categories ? lastPassword : kPassword,
                                 {"Cat " + std::to_string(index), text});
  }
  return file;
}

struct Printed {
  std::string output;
  PrintEnd end;
};

Printed print_in_parallel(MovrelView& view, int32_t count, int workers) {
  PasswordKey key;
  make_password_key(fixture_upper_case(kPassword).c_str(), key);
  Printed run;
  run.output = output_of([&] { run.end = print_categories(view, count, key, workers); });
  return run;
}

Printed print_one_by_one(MovrelView& view, int32_t count) {
  Printed run;
  run.output = output_of([&] {
    const std::string password = fixture_upper_case(kPassword);
    for (int32_t index = 0; index < count; ++index) {
      if (!view.recordFits(index)) {
        run.end = {PrintStop::RecordPastEnd, index};
        return;
      }
      if (view.printcat(index, password.c_str()) != 0) {
        run.end = {PrintStop::WrongPassword, index};
        return;
      }
    }
  });
  return run;
}

TEST(PrintCategories, GivesWhatPrintcatGivesOneByOne) {
  const std::string whole = database(kPassword, 700);
  const struct {
    const char* what;
    std::string file;
    PrintStop stop;
  } cases[] = {
      {"all open", whole, PrintStop::None},
      {"last under another password", database("other", 700), PrintStop::WrongPassword},
      {"last cut short", whole.substr(0, whole.size() - 1), PrintStop::RecordPastEnd},
  };
  for (const auto& c : cases) {
    MovrelView view;
    const int32_t count = view.loadImage(c.file.data(), static_cast<int32_t>(c.file.size()));
    ASSERT_EQ(count, 700) << c.what;
    ASSERT_GT(static_cast<size_t>(view.length), kImageChunkBytes) << c.what; // loaded in chunks
    const Printed expected = print_one_by_one(view, count);
    ASSERT_EQ(expected.end.stop, c.stop) << c.what;
    for (int workers : {1, 3}) {
      const Printed run = print_in_parallel(view, count, workers);
      EXPECT_TRUE(run.output == expected.output) << c.what << ", " << workers << " workers";
      EXPECT_EQ(run.end.stop, expected.end.stop) << c.what << ", " << workers << " workers";
      EXPECT_EQ(run.end.index, expected.end.index) << c.what << ", " << workers << " workers";
    }
  }
}

} // namespace
