#include "ecb.h"

#include "ecb_kernels.h"
#include "idea_core.h"
#include "wipe.h"

#include <cstring>

namespace {

// Blocks run side by side in the portable kernel. One block is a chain of 34
// dependent multiplications, so a lone block leaves the multiplier idle most
// of the time; independent lanes fill those gaps, and eight 16-bit lanes fill
// one 128-bit register when the compiler vectorises the lane loop (about
// three times the throughput of one block at a time).
constexpr size_t kLanes = 8;

inline uint16_t load_word(const uint8_t* p) {
  return static_cast<uint16_t>((p[0] << 8) | p[1]);
}

inline void store_word(uint8_t* p, uint16_t w) {
  p[0] = static_cast<uint8_t>(w >> 8);
  p[1] = static_cast<uint8_t>(w);
}

template <size_t n>
inline void run_lanes(const uint8_t* in, uint8_t* out, uint16_t (&x)[4][n], const uint16_t Z[52]) {
  for (size_t i = 0; i < n; ++i) {
    for (size_t j = 0; j < 4; ++j)
      x[j][i] = load_word(in + 8 * i + 2 * j);
  }
  idea_rounds(x, Z);
  for (size_t i = 0; i < n; ++i) {
    for (size_t j = 0; j < 4; ++j)
      store_word(out + 8 * i + 2 * j, x[j][i]);
  }
}

// The staging arrays hold plaintext on one side of the cipher, so they are
// wiped once at the end rather than per block.
void portable_blocks(const uint8_t* in, uint8_t* out, size_t blocks, const uint16_t Z[52]) {
  uint16_t wide[4][kLanes];
  uint16_t one[4][1];
  for (; blocks >= kLanes; blocks -= kLanes, in += 8 * kLanes, out += 8 * kLanes) {
    run_lanes(in, out, wide, Z);
  }
  for (; blocks > 0; --blocks, in += 8, out += 8) {
    run_lanes(in, out, one, Z);
  }
  secure_wipe(wide, sizeof wide);
  secure_wipe(one, sizeof one);
}

// __builtin_cpu_supports reports AVX2 and AVX-512BW only when XGETBV also
// shows that the operating system saves the YMM (and opmask/ZMM) state, so a
// yes here means the instructions run. Advanced SIMD is part of the AArch64
// baseline that the compiler and Linux assume, so it needs no test.
bool supported(EcbPath path) {
  switch (path) {
  case EcbPath::Portable:
    return true;
#if MOVREL_X86_KERNELS
  case EcbPath::Avx2:
    return __builtin_cpu_supports("avx2");
  case EcbPath::Avx512:
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw");
#else
  case EcbPath::Avx2:
  case EcbPath::Avx512:
    return false;
#endif
  case EcbPath::Neon:
#if MOVREL_NEON_KERNELS
    return true;
#else
    return false;
#endif
  }
  return false;
}

} // namespace

bool ecb_path_available(EcbPath path) {
  return supported(path);
}

const char* ecb_path_name(EcbPath path) {
  switch (path) {
  case EcbPath::Portable:
    return "portable";
  case EcbPath::Avx2:
    return "avx2";
  case EcbPath::Avx512:
    return "avx512";
  case EcbPath::Neon:
    return "neon";
  }
  return "unknown";
}

EcbPath ecb_best_path() {
  static const EcbPath best = supported(EcbPath::Avx512) ? EcbPath::Avx512
                              : supported(EcbPath::Avx2) ? EcbPath::Avx2
                              : supported(EcbPath::Neon) ? EcbPath::Neon
                                                         : EcbPath::Portable;
  return best;
}

#if MOVREL_X86_KERNELS || MOVREL_NEON_KERNELS
namespace {

size_t vector_blocks(EcbPath path, const uint8_t* in, uint8_t* out, size_t blocks,
                     const uint16_t Z[52]) {
#if MOVREL_X86_KERNELS
  return path == EcbPath::Avx512 ? idea_ecb_avx512(in, out, blocks, Z)
         : path == EcbPath::Avx2 ? idea_ecb_avx2(in, out, blocks, Z)
                                 : 0;
#else
  return path == EcbPath::Neon ? idea_ecb_neon(in, out, blocks, Z) : 0;
#endif
}

// Blocks in one vector of a path's kernel: its shortest run.
size_t vector_width(EcbPath path) {
  return path == EcbPath::Avx512 ? 32 : path == EcbPath::Avx2 ? 16 : path == EcbPath::Neon ? 8 : 0;
}

// From this many blocks left over, one vector over a zero-padded copy of
// them is faster than the portable kernel (a vector of 32 blocks costs about
// as much as 2 portable blocks); a text of a few KiB leaves 16 on average.
constexpr size_t kPaddedTailBlocks = 3;

} // namespace
#endif

void idea_ecb_blocks_on(EcbPath path, const uint8_t* in, uint8_t* out, size_t blocks,
                        const uint16_t Z[52]) {
  size_t done = 0;
#if MOVREL_X86_KERNELS || MOVREL_NEON_KERNELS
  done = vector_blocks(path, in, out, blocks, Z);
  const size_t width = vector_width(path);
  if (blocks - done >= kPaddedTailBlocks && width > 0) {
    alignas(64) uint8_t tail[8 * 32] = {};
    const size_t rest = 8 * (blocks - done);
    memcpy(tail, in + 8 * done, rest);
    vector_blocks(path, tail, tail, width, Z);
    memcpy(out + 8 * done, tail, rest);
    secure_wipe(tail, sizeof tail);
    done = blocks;
  }
#else
  (void)path;
#endif
  portable_blocks(in + 8 * done, out + 8 * done, blocks - done, Z);
  // Every kernel leaves block words and subkeys in vector registers (the
  // portable one too, where the compiler vectorises its lanes).
  scrub_vector_registers();
}

void idea_ecb_blocks(const uint8_t* in, uint8_t* out, size_t blocks, const uint16_t Z[52]) {
  idea_ecb_blocks_on(ecb_best_path(), in, out, blocks, Z);
}
