// The 8-lane NEON candidate kernel (AArch64 Advanced SIMD, the compiler's
// baseline there). Built on AArch64 only.
#include <arm_neon.h>

#include "keysearch_kernels.h"
#include "keysearch_vector.h"
#include "neon_mul.h"

namespace {

struct Neon {
  using Vec = uint16x8_t;

  // Vectors of candidates run side by side: 2 measured best under
  // qemu-aarch64 (1 to 4 tried). Each group holds eight key words besides
  // its block: the main loop moves 76 vectors to and from memory for 16
  // candidates with 2 (24 of them the rows), 231 for 24 with 3.
  static constexpr size_t kGroups = 2;
  // A lane's compare mask narrowed to its byte: 8 bits per lane, 64 per
  // vector.
  static constexpr size_t kBitsPerLane = 8;

  static Vec load(const uint16_t* p) { return vld1q_u16(p); }
  static Vec set1(uint16_t w) { return vdupq_n_u16(w); }
  static Vec add(Vec a, Vec b) { return vaddq_u16(a, b); }
  static Vec bxor(Vec a, Vec b) { return veorq_u16(a, b); }
  static Vec bor(Vec a, Vec b) { return vorrq_u16(a, b); }
  template <int s> static Vec shl(Vec a) { return vshlq_n_u16(a, s); }
  template <int s> static Vec shr(Vec a) { return vshrq_n_u16(a, s); }

  static Vec mul(Vec a, Vec b) { return neon_mul(a, b); }

  static uint64_t match(Vec a, Vec b, Vec wa, Vec wb) {
    const Vec both = vandq_u16(vceqq_u16(a, wa), vceqq_u16(b, wb));
    return vget_lane_u64(vreinterpret_u64_u8(vmovn_u16(both)), 0);
  }
};

} // namespace

size_t keysearch_neon(const uint16_t* rows, size_t stride, size_t first, size_t count,
                      const uint16_t outer[kCandidateWords], const uint16_t check[4]) {
  return KeySearchKernel<Neon>::first_match(rows, stride, first, count, outer, check);
}
