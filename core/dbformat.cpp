#include "dbformat.h"

#include <cstring>

namespace {

uint32_t read_be32(const uint8_t* bytes) {
  return (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) | (uint32_t{bytes[2]} << 8) |
         uint32_t{bytes[3]};
}

bool marker_at(const uint8_t* bytes) {
  return bytes[0] == 0xFF && bytes[1] == 0x40 && bytes[2] == 0x44 && (bytes[3] | 1) == 0x03;
}

// A step of the scan tests kStepStarts candidate starts with one branch, in
// vectors of Width bytes: 16 everywhere (SSE2 on x86-64, NEON on arm64), 32
// where the processor has AVX2. A comparison of vectors sets a lane to all
// ones where it holds and to 0 elsewhere.
constexpr int64_t kStepStarts = 64;

template <size_t Width> struct Vectors;
template <> struct Vectors<16> {
  using Bytes = uint8_t __attribute__((vector_size(16)));
  using Lanes = int8_t __attribute__((vector_size(16)));
};
template <> struct Vectors<32> {
  using Bytes = uint8_t __attribute__((vector_size(32)));
  using Lanes = int8_t __attribute__((vector_size(32)));
};

// The first p' >= p where either a step may hold a marker or fewer than
// kStepStarts starts remain. Lane i of a vector loaded at s stands for the
// start s + i: the four marker bytes are tested at once, each against its
// own shifted load, so how many FF bytes the image holds does not matter. A
// step reads no byte past its last start + 3 <= lastStart + 3 = length - 1.
// Always inlined, so that it is compiled for the instruction set of the
// function it is used in; no vector crosses a call.
template <size_t Width>
inline __attribute__((always_inline)) int64_t skip_steps(const uint8_t* image, int64_t p,
                                                         int64_t lastStart) {
  using Bytes = typename Vectors<Width>::Bytes;
  using Lanes = typename Vectors<Width>::Lanes;
  constexpr auto kVectors = kStepStarts / static_cast<int64_t>(Width);
  for (; p + kStepStarts - 1 <= lastStart; p += kStepStarts) {
    Lanes found = {};
#pragma GCC unroll 4
    for (int64_t v = 0; v < kVectors; ++v) {
      const uint8_t* at = image + p + v * static_cast<int64_t>(Width);
      Bytes b0;
      Bytes b1;
      Bytes b2;
      Bytes b3;
      memcpy(&b0, at, sizeof b0);
      memcpy(&b1, at + 1, sizeof b1);
      memcpy(&b2, at + 2, sizeof b2);
      memcpy(&b3, at + 3, sizeof b3);
      found |= (b0 == 0xFF) & (b1 == 0x40) & (b2 == 0x44) & ((b3 | 1) == 0x03);
    }
    uint64_t words[Width / 8];
    memcpy(words, &found, sizeof words);
    uint64_t any = 0;
    for (const uint64_t word : words) {
      any |= word;
    }
    if (any != 0) {
      break;
    }
  }
  return p;
}

#if defined(__x86_64__) && defined(__GNUC__)
__attribute__((target("avx2"))) int64_t skip_steps_avx2(const uint8_t* image, int64_t p,
                                                        int64_t lastStart) {
  return skip_steps<32>(image, p, lastStart);
}
#endif

// 19 GB/s with 16-byte vectors on the development machine, 30 GB/s with
// AVX2. (AVX-512's mask compares ran slower than either.)
int64_t skip_markerless_steps(const uint8_t* image, int64_t p, int64_t lastStart) {
#if defined(__x86_64__) && defined(__GNUC__)
  static const bool avx2 = __builtin_cpu_supports("avx2");
  if (avx2) {
    return skip_steps_avx2(image, p, lastStart);
  }
#endif
  return skip_steps<16>(image, p, lastStart);
}

} // namespace

int32_t find_next_marker(const uint8_t* image, int32_t length, int32_t start) {
  if (image == nullptr || start < 0) {
    return -1;
  }
  // A marker starts at p only if p + 4 <= length. The step that holds the
  // first marker, and the last starts, are tested one by one.
  const int64_t lastStart = static_cast<int64_t>(length) - kMarkerSize;
  for (int64_t p = skip_markerless_steps(image, start, lastStart); p <= lastStart; ++p) {
    if (marker_at(image + p)) {
      return static_cast<int32_t>(p + kMarkerSize);
    }
  }
  return -1;
}

CategoryRecord read_record(const uint8_t* image, int32_t length, int32_t start) {
  CategoryRecord record;
  record.start = start;
  record.kind = image[start - 1];
  // In 64 bits none of these sums can overflow, whatever L the file holds.
  const int64_t end = length;
  const int64_t nameBytes = end - start < static_cast<int64_t>(kNameFieldSize) - 1
                                ? end - start
                                : static_cast<int64_t>(kNameFieldSize) - 1;
  strncpy(record.name, reinterpret_cast<const char*>(image + start),
          static_cast<size_t>(nameBytes));
  if (start + kRecordTextAt > end) {
    return record;
  }
  record.headerFits = true;
  record.check = image + start + kRecordCheckAt;
  record.textLength = read_be32(image + start + kRecordLengthAt);
  if (start + kRecordTextAt + cipher_size(record.textLength) <= end) {
    record.fits = true;
    record.cipherText = image + start + kRecordTextAt;
  }
  return record;
}
