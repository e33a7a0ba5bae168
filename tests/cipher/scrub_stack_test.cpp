// scrub_stack clears what a returned call left below the caller's frame.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>

#include "wipe.h"

namespace {

constexpr uint8_t kMarker = 0xA7;
constexpr size_t kMarkedBytes = 8192;

// Leaves kMarkedBytes of kMarker in a frame that then returns, as a kernel
// leaves its spill slots.
__attribute__((noinline)) void leave_marker() {
  uint8_t area[kMarkedBytes];
  volatile uint8_t* marked = area;
  asm volatile("" : "+r"(marked));
  for (size_t i = 0; i < kMarkedBytes; ++i)
    marked[i] = kMarker;
}

// Counts marker bytes in the stack area the next call's frame occupies,
// reading it through an address the compiler cannot see initialised.
__attribute__((noinline)) size_t count_stale_marker() {
  uint8_t area[kScrubbedStackBytes];
  const volatile uint8_t* stale = area;
  asm volatile("" : "+r"(stale));
  size_t found = 0;
  for (size_t i = 0; i < kScrubbedStackBytes; ++i)
    found += stale[i] == kMarker ? 1 : 0;
  return found;
}

TEST(ScrubStack, ClearsWhatAReturnedCallLeft) {
  leave_marker();
  // Without the scrub the marker is still there to be read: the test can see
  // a leftover when there is one.
  ASSERT_GE(count_stale_marker(), kMarkedBytes / 2);
  leave_marker();
  scrub_stack();
  EXPECT_EQ(count_stale_marker(), 0u);
}

} // namespace
