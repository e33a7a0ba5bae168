// Faults at the edges of the support library, one test each. The sanitizer
// build is part of the first: AddressSanitizer stops a read of freed memory.
#include "myfile.h"
#include "seams.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <unistd.h>

TEST(EdgeFaults, ZaddTakesAnElementOfItsOwnArray) {
  const uint64_t first = 0x0123456789ABCDEF;
  auto* a = static_cast<uint64_t*>(zadd(nullptr, 0, sizeof first, &first));
  for (size_t n = 1; n < 64; ++n) {
    a = static_cast<uint64_t*>(zadd(a, n, sizeof first, &a[0])); // a[0] is in the block that grows
    ASSERT_EQ(a[n], first);
  }
  free1(a);
}

TEST(EdgeFaults, NoBytesAskedIsNoFailure) {
  FILE* stream = tmpfile();
  char byte = 0;
  testing::internal::CaptureStderr();
  EXPECT_EQ(efwrite(&byte, 0, 3, stream, 1, "t") + wfwrite(&byte, 1, 0, stream, 1, "t"), 3);
  EXPECT_EQ(efread(&byte, 0, 3, stream, 1, "t") + wfread(&byte, 1, 0, stream, 1, "t"), 3);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  fclose(stream);
}

TEST(EdgeFaults, ZreallocWithoutBlockZeroesEveryByte) {
  const auto system_malloc = myfile_malloc_hook;
  myfile_malloc_hook = +[](size_t n) { return memset(malloc(n), 0xA5, n); };
  auto* block = static_cast<unsigned char*>(zrealloc(nullptr, 16, 16));
  myfile_malloc_hook = system_malloc;
  EXPECT_EQ(std::count(block, block + 32, 0), 32);
  free1(block);
}

// A relative name that with the working directory passes 1000 bytes, an
// absolute name of as many, a working directory of as many.
TEST(EdgeFaults, LongNamesOpen) {
  namespace fs = std::filesystem;
  const fs::path top = fs::temp_directory_path() / ("movrel-long-" + std::to_string(getpid()));
  fs::path relative;
  for (int i = 0; i < 6; ++i) {
    relative /= std::string(200, 'd'); // 1206 bytes with the "f"
  }
  relative /= "f";
  fs::create_directories((top / relative).parent_path());
  std::ofstream(top / relative) << "x";
  const fs::path before = fs::current_path();
  fs::current_path(top);
  std::vector<FILE*> opened = {wfopen(relative.c_str(), "r", 0, ""),
                               wfopen((top / relative).c_str(), "r", 0, "")};
  fs::current_path((top / relative).parent_path());
  opened.push_back(wfopen("f", "r", 0, ""));
  fs::current_path(before);
  fs::remove_all(top);
  for (FILE* stream : opened) {
    ASSERT_NE(stream, nullptr);
    fclose(stream);
  }
}
