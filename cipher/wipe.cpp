#include "wipe.h"

#include <string.h>

#if defined(__x86_64__)
namespace {

// vzeroall clears registers 0-15 whole (zmm included); zmm16-31 and the lane
// masks exist only with AVX-512 and are cleared one by one.
__attribute__((target("avx512f"))) void zero_avx512_registers() {
  __asm__ volatile("vzeroall\n\t"
                   "vpxord %%zmm16, %%zmm16, %%zmm16\n\tvpxord %%zmm17, %%zmm17, %%zmm17\n\t"
                   "vpxord %%zmm18, %%zmm18, %%zmm18\n\tvpxord %%zmm19, %%zmm19, %%zmm19\n\t"
                   "vpxord %%zmm20, %%zmm20, %%zmm20\n\tvpxord %%zmm21, %%zmm21, %%zmm21\n\t"
                   "vpxord %%zmm22, %%zmm22, %%zmm22\n\tvpxord %%zmm23, %%zmm23, %%zmm23\n\t"
                   "vpxord %%zmm24, %%zmm24, %%zmm24\n\tvpxord %%zmm25, %%zmm25, %%zmm25\n\t"
                   "vpxord %%zmm26, %%zmm26, %%zmm26\n\tvpxord %%zmm27, %%zmm27, %%zmm27\n\t"
                   "vpxord %%zmm28, %%zmm28, %%zmm28\n\tvpxord %%zmm29, %%zmm29, %%zmm29\n\t"
                   "vpxord %%zmm30, %%zmm30, %%zmm30\n\tvpxord %%zmm31, %%zmm31, %%zmm31\n\t"
                   "kxorw %%k1, %%k1, %%k1\n\tkxorw %%k2, %%k2, %%k2\n\tkxorw %%k3, %%k3, %%k3\n\t"
                   "kxorw %%k4, %%k4, %%k4\n\tkxorw %%k5, %%k5, %%k5\n\tkxorw %%k6, %%k6, %%k6\n\t"
                   "kxorw %%k7, %%k7, %%k7" ::
                       : "xmm0", "xmm1", "xmm2", "xmm3", "xmm4", "xmm5", "xmm6", "xmm7", "xmm8",
                         "xmm9", "xmm10", "xmm11", "xmm12", "xmm13", "xmm14", "xmm15", "xmm16",
                         "xmm17", "xmm18", "xmm19", "xmm20", "xmm21", "xmm22", "xmm23", "xmm24",
                         "xmm25", "xmm26", "xmm27", "xmm28", "xmm29", "xmm30", "xmm31", "k1", "k2",
                         "k3", "k4", "k5", "k6", "k7");
}

__attribute__((target("avx"))) void zero_avx_registers() {
  __asm__ volatile("vzeroall" ::
                       : "xmm0", "xmm1", "xmm2", "xmm3", "xmm4", "xmm5", "xmm6", "xmm7", "xmm8",
                         "xmm9", "xmm10", "xmm11", "xmm12", "xmm13", "xmm14", "xmm15");
}

void zero_sse_registers() {
  __asm__ volatile("pxor %%xmm0, %%xmm0\n\tpxor %%xmm1, %%xmm1\n\tpxor %%xmm2, %%xmm2\n\t"
                   "pxor %%xmm3, %%xmm3\n\tpxor %%xmm4, %%xmm4\n\tpxor %%xmm5, %%xmm5\n\t"
                   "pxor %%xmm6, %%xmm6\n\tpxor %%xmm7, %%xmm7\n\tpxor %%xmm8, %%xmm8\n\t"
                   "pxor %%xmm9, %%xmm9\n\tpxor %%xmm10, %%xmm10\n\tpxor %%xmm11, %%xmm11\n\t"
                   "pxor %%xmm12, %%xmm12\n\tpxor %%xmm13, %%xmm13\n\tpxor %%xmm14, %%xmm14\n\t"
                   "pxor %%xmm15, %%xmm15" ::
                       : "xmm0", "xmm1", "xmm2", "xmm3", "xmm4", "xmm5", "xmm6", "xmm7", "xmm8",
                         "xmm9", "xmm10", "xmm11", "xmm12", "xmm13", "xmm14", "xmm15");
}

} // namespace
#elif defined(__aarch64__)
namespace {

// A write to a NEON register (v0-v31) also zeroes the rest of the SVE
// register it is part of, where the processor has SVE. The low halves of
// v8-v15 belong to the callers (the procedure call standard keeps them across
// a call), so the compiler saves and restores those; their upper halves, where
// a kernel leaves words, stay zero.
void zero_neon_registers() {
  __asm__ volatile(
      "movi v0.16b, #0\n\tmovi v1.16b, #0\n\tmovi v2.16b, #0\n\tmovi v3.16b, #0\n\t"
      "movi v4.16b, #0\n\tmovi v5.16b, #0\n\tmovi v6.16b, #0\n\tmovi v7.16b, #0\n\t"
      "movi v8.16b, #0\n\tmovi v9.16b, #0\n\tmovi v10.16b, #0\n\tmovi v11.16b, #0\n\t"
      "movi v12.16b, #0\n\tmovi v13.16b, #0\n\tmovi v14.16b, #0\n\tmovi v15.16b, #0\n\t"
      "movi v16.16b, #0\n\tmovi v17.16b, #0\n\tmovi v18.16b, #0\n\tmovi v19.16b, #0\n\t"
      "movi v20.16b, #0\n\tmovi v21.16b, #0\n\tmovi v22.16b, #0\n\tmovi v23.16b, #0\n\t"
      "movi v24.16b, #0\n\tmovi v25.16b, #0\n\tmovi v26.16b, #0\n\tmovi v27.16b, #0\n\t"
      "movi v28.16b, #0\n\tmovi v29.16b, #0\n\tmovi v30.16b, #0\n\tmovi v31.16b, #0" ::
          : "v0", "v1", "v2", "v3", "v4", "v5", "v6", "v7", "v8", "v9", "v10", "v11", "v12", "v13",
            "v14", "v15", "v16", "v17", "v18", "v19", "v20", "v21", "v22", "v23", "v24", "v25",
            "v26", "v27", "v28", "v29", "v30", "v31");
}

} // namespace
#endif

void secure_wipe(void* p, size_t n) {
  if (p != nullptr && n > 0) {
    // glibc's explicit_bzero is documented never to be elided as a dead store.
    explicit_bzero(p, n);
  }
}

// Not inlined, so that its frame starts where the callee's frame did. The
// vector kernels' frames are under 12 KiB (their subkey tables, which they
// wipe by name, and the spill slots).
__attribute__((noinline)) void scrub_stack() {
  unsigned char area[kScrubbedStackBytes];
  secure_wipe(area, sizeof area);
}

// __builtin_cpu_supports answers yes only where the operating system also
// saves that register state (XGETBV), so the instructions run.
void scrub_vector_registers() {
#if defined(__x86_64__)
  if (__builtin_cpu_supports("avx512f")) {
    zero_avx512_registers();
  } else if (__builtin_cpu_supports("avx")) {
    zero_avx_registers();
  } else {
    zero_sse_registers();
  }
#elif defined(__aarch64__)
  zero_neon_registers();
#endif
}
