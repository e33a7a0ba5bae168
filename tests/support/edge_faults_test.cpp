// Faults at the edges of the support library, one test each. The sanitizer
// build is part of the first: AddressSanitizer stops a read of freed memory.
#include "myfile.h"
#include "seams.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
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
  EXPECT_EQ(efwrite(&byte, 0, 3, stream, 1, "t"), 3);
  EXPECT_EQ(wfwrite(&byte, 1, 0, stream, 1, "t"), 0);
  EXPECT_EQ(efread(&byte, 0, 3, stream, 1, "t"), 3);
  EXPECT_EQ(wfread(&byte, 1, 0, stream, 1, "t"), 0);
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

// A relative name that with the working directory passes 1000 bytes, a
// working directory of more than 1000 bytes, an absolute name of as many.
TEST(EdgeFaults, LongNamesOpen) {
  namespace fs = std::filesystem;
  const fs::path top = fs::temp_directory_path() / ("movrel-long-" + std::to_string(getpid()));
  fs::path deep = top;
  std::string relative;
  for (int i = 0; i < 6; ++i) {
    deep /= std::string(200, 'd');
    relative += std::string(200, 'd') + "/";
  }
  fs::create_directories(deep);
  std::ofstream(deep / "f") << "x";
  const fs::path before = fs::current_path();
  fs::current_path(top);
  FILE* opened[] = {wfopen((relative + "f").c_str(), "r", 0, ""), nullptr,
                    wfopen((deep / "f").c_str(), "r", 0, "")};
  fs::current_path(deep);
  opened[1] = wfopen("f", "r", 0, "");
  fs::current_path(before);
  fs::remove_all(top);
  for (FILE* stream : opened) {
    EXPECT_NE(stream, nullptr);
    if (stream != nullptr) {
      fclose(stream);
    }
  }
}
