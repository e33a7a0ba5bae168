// Zero-filled arrays: zero fill, layout, growth one element at a time, and what
// exhaustion (a refused request or sizes beyond size_t) leaves behind.
#include "alloc_probe.h"
#include "helpers.h"
#include "myfile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

using alloc_probe::Scope;
using Sizes = std::vector<size_t>;

bool all_zero(const void* p, size_t n) {
  const auto* bytes = static_cast<const unsigned char*>(p);
  return std::all_of(bytes, bytes + n, [](unsigned char b) { return b == 0; });
}

const size_t kHuge = SIZE_MAX / 2 + 1; // twice this leaves size_t

TEST(ZeroFill, BlocksAndRowsStartAtZero) {
  Scope probe;
  void* p = zmalloc(100);
  EXPECT_TRUE(all_zero(p, 100));
  void** a = zmalloc2(3, 40);
  // The pointer table first, then each row on its own, in order.
  EXPECT_EQ(alloc_probe::requests, (Sizes{100, 3 * sizeof(void*), 40, 40, 40}));
  void*** b = zmalloc3(2, 3, 5);
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_TRUE(all_zero(a[i], 40));
    EXPECT_TRUE(all_zero(static_cast<void**>(b[1])[i], 5));
  }
  free1(p);
  free2(a, 3);
  free3(b, 2, 3);
  free2(zmalloc2(0, 64), 0);
  free2(nullptr, 5); // a null array is taken as empty
  free3(nullptr, 4, 5);
  EXPECT_TRUE(alloc_probe::live.empty());
}

TEST(Growth, ReallocKeepsOldBytesAndZeroesTheAddedOnes) {
  Scope probe;
  auto* p = static_cast<char*>(zrealloc(nullptr, 0, 4));
  ASSERT_NE(p, nullptr);
  EXPECT_TRUE(all_zero(p, 4));
  const char old[4] = {'a', 'b', 'c', 'd'}; // bytes, not a string
  memcpy(p, old, sizeof old);
  p = static_cast<char*>(zrealloc(p, 4, 6));
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(memcmp(p, old, sizeof old), 0);
  EXPECT_TRUE(all_zero(p + 4, 6));
  EXPECT_EQ(alloc_probe::requests, (Sizes{4, 10}));
  free1(p);
}

TEST(Growth, AppendsKeepCallOrderAndResizeOncePerElement) {
  Scope probe;
  void* a = nullptr;
  size_t count = 0;
  for (uint32_t value : {11u, 22u, 33u}) {
    a = zadd(a, count++, sizeof value, &value);
  }
  ASSERT_NE(a, nullptr);
  // Count 0 or a null array: a fresh one-element array; the old one untouched.
  const uint32_t element = 99;
  void* fresh[] = {zadd(a, 0, sizeof element, &element), zadd(nullptr, 7, 4, &element)};
  const uint32_t expected[] = {11, 22, 33};
  EXPECT_EQ(memcmp(a, expected, sizeof expected), 0);
  EXPECT_EQ(alloc_probe::requests, (Sizes{4, 8, 12, 4, 4}));
  for (void* f : fresh) {
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(*static_cast<uint32_t*>(f), 99u);
    free1(f);
  }
  free1(a);
}

TEST(Exhaustion, RefusedTableRowOrPlaneLeavesNothingAllocated) {
  for (size_t refused = 1; refused <= 4; ++refused) { // table, rows 0 to 2
    Scope probe(refused);
    EXPECT_EQ(zmalloc2(3, 8), nullptr);
    EXPECT_TRUE(alloc_probe::live.empty()) << "refused request " << refused;
  }
  for (size_t refused = 1; refused <= 7; ++refused) { // top, then table and 2 rows per plane
    Scope probe(refused);
    EXPECT_EQ(zmalloc3(2, 2, 4), nullptr);
    EXPECT_TRUE(alloc_probe::live.empty()) << "refused request " << refused;
  }
}

TEST(Exhaustion, RefusedGrowthLeavesTheCallersBlockIntact) {
  Scope probe(3);
  const uint64_t elements[] = {1, 2, 3};
  void* a = zadd(zadd(nullptr, 0, 8, &elements[0]), 1, 8, &elements[1]);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(zadd(a, 2, 8, &elements[2]), nullptr);
  alloc_probe::refused = 4;
  EXPECT_EQ(zrealloc(a, 16, 100), nullptr);
  EXPECT_EQ(memcmp(a, elements, 16), 0);
  free1(a);
  EXPECT_TRUE(alloc_probe::live.empty());
}

TEST(Exhaustion, SizesBeyondSizeTAreRefusedWithoutAsking) {
  Scope probe;
  void* p = zmalloc(4);
  memcpy(p, "abc", 4);
  EXPECT_EQ(zmalloc2(2, kHuge), nullptr);
  EXPECT_EQ(zmalloc2(kHuge, 1), nullptr); // the pointer table alone overflows
  EXPECT_EQ(zmalloc3(2, 1, kHuge), nullptr);
  EXPECT_EQ(zrealloc(p, SIZE_MAX, 1), nullptr);
  EXPECT_EQ(zadd(p, kHuge, 2, "xy"), nullptr);
  EXPECT_EQ(alloc_probe::requests, (Sizes{4}));
  EXPECT_STREQ(static_cast<char*>(p), "abc");
  free1(p);
}

using FatalForm = Diagnostics;

TEST_F(FatalForm, SuccessLeavesTheLocationAlone) {
  current_src_line = 5;
  current_src_file = "before";
  void* p = ezrealloc(ezmalloc(8, "x", 99, "after"), 8, 8, "x", 99, "after");
  void** a = ezmalloc2(2, 2, "x", 99, "after");
  void*** b = ezmalloc3(2, 2, 2, "x", 99, "after");
  void* c = ezadd(nullptr, 0, 1, "e", "x", 99, "after");
  // The platform's realloc to 0 bytes releases the block and answers null,
  // which would read as a failure that left the block the caller's.
  void* d = zrealloc(zmalloc(8), 0, 0);
  EXPECT_NE(d, nullptr);
  EXPECT_EQ(current_src_line, 5);
  EXPECT_STREQ(current_src_file, "before");
  free1(p);
  free2(a, 2);
  free3(b, 2, 2);
  free1(c);
  free1(d);
}

TEST(FatalFormDeathTest, ExhaustionReportsTheExactMessage) {
  struct Case {
    size_t refused;
    void (*call)();
    const char* message; // after "ERROR: can't allocate "
  };
  const Case cases[] = {
      {1, [] { ezmalloc(123, "buf", 41, "a.cpp"); },
       "123 bytes for 1D array buf \\(line 41, file a\\.cpp\\)"},
      // Request 5 is a row; the message counts the rows' bytes only.
      {5, [] { ezmalloc2(10, 400, "grid", 7, "g"); },
       "4000 bytes for 2D array grid \\(line 7, file g\\)"},
      {1, [] { ezmalloc3(2, 3, 5, "cube", 8, "c"); },
       "30 bytes for 3D array cube \\(line 8, file c\\)"},
      {2, [] { ezrealloc(zmalloc(50), 50, 25, "list", 9, "l"); },
       "25 more bytes for array list \\(prev 50 bytes\\) \\(line 9, file l\\)"},
      // The count as passed (3), although a null array makes zadd take it as 0.
      {1, [] { ezadd(nullptr, 3, 8, "12345678", "items", 12, "i"); },
       "8 more bytes for array items \\(prev 24 bytes\\) \\(line 12, file i\\)"},
      // A total beyond size_t cannot be printed; it shows as LONG_MAX.
      {0, [] { ezmalloc2(4, kHuge, "big", 3, "b"); },
       "9223372036854775807 bytes for 2D array big \\(line 3, file b\\)"},
  };
  for (const Case& c : cases) {
    EXPECT_EXIT(alloc_probe::refusing(c.refused, c.call), ::testing::ExitedWithCode(1),
                std::string("^ERROR: can't allocate ") + c.message + "\n$");
  }
}

} // namespace
