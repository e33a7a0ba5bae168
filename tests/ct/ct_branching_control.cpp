// The negative control of the constant-time check: a multiplication modulo
// 65537 written with the usual branches on its operands, run on operands
// marked secret in the same way ct_check marks them. Memcheck must report a
// conditional jump on uninitialised data here; if it stops doing so (an
// optimiser turning the branches into selects, a valgrind that no longer
// tracks them), ct_check passing would prove nothing and this test fails.
#include <valgrind/memcheck.h>

#include <cstdint>
#include <cstdio>

namespace {

__attribute__((noinline)) uint16_t branching_mul(uint16_t a, uint16_t b) {
  if (a == 0) {
    return static_cast<uint16_t>(1 - b);
  }
  if (b == 0) {
    return static_cast<uint16_t>(1 - a);
  }
  uint32_t p = static_cast<uint32_t>(a) * b;
  uint16_t lo = static_cast<uint16_t>(p), hi = static_cast<uint16_t>(p >> 16);
  return lo < hi ? static_cast<uint16_t>(lo - hi + 1) : static_cast<uint16_t>(lo - hi);
}

} // namespace

int main() {
  volatile uint16_t seed_a = 0x1234, seed_b = 0xABCD;
  uint16_t a = seed_a, b = seed_b;
  VALGRIND_MAKE_MEM_UNDEFINED(&a, sizeof a);
  VALGRIND_MAKE_MEM_UNDEFINED(&b, sizeof b);
  uint16_t r = branching_mul(a, b);
  VALGRIND_MAKE_MEM_DEFINED(&r, sizeof r);
  std::printf("control product %04x\n", r);
  return 0;
}
