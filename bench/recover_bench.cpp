// Candidates per second of a mask search, per kernel path and per thread
// count: the search of `movrel recover --mask ?a?a?a?a?a?a?a?a` (every
// printable character but a-z at each of 8 positions), against a check value
// that nothing in the measured ranges matches. Threads search disjoint
// ranges of the same space, as the command's threads do. A path the
// processor lacks is reported as skipped.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "ecb.h"
#include "maskspace.h"

namespace {

// Candidates per thread per timed iteration (the argument): a few
// milliseconds on the vector paths, and 1/32 of that on the portable one.
constexpr int64_t kVectorRange = int64_t{1} << 21;
constexpr int64_t kPortableRange = int64_t{1} << 16;

const MaskSpace& space() {
  static const MaskSpace mask = [] {
    std::string printable;
    for (int c = 0x20; c <= 0x7E; ++c) {
      if (c < 'a' || c > 'z') {
        printable += static_cast<char>(c);
      }
    }
    return MaskSpace(std::vector<std::string>(8, printable), 8);
  }();
  return mask;
}

void BM_mask_search(benchmark::State& state, EcbPath path) {
  if (!ecb_path_available(path)) {
    state.SkipWithError("path not supported by this processor");
    return;
  }
  const MaskSpace& mask = space();
  const uint16_t check[4] = {0x0123, 0x4567, 0x89AB, 0xCDEF};
  const auto range = static_cast<uint64_t>(state.range(0));
  uint64_t begin = static_cast<uint64_t>(state.thread_index()) * (uint64_t{1} << 40);
  int64_t tested = 0;
  for (auto _ : state) {
    // A 32-bit match by chance (about once in 2^32) ends a call early: go on
    // after it, so every iteration covers its whole range.
    for (uint64_t at = begin; at < begin + range;) {
      at = mask.first_match(path, at, begin + range, check) + 1;
    }
    tested += state.range(0);
    begin += range;
  }
  state.counters["candidates/s"] =
      benchmark::Counter(static_cast<double>(tested), benchmark::Counter::kIsRate);
}

double largest(const std::vector<double>& values) {
  return *std::max_element(values.begin(), values.end());
}

// On a shared machine a neighbour can slow one run: five runs each, and the
// max row gives the fastest (for the rate columns).
void runs(benchmark::internal::Benchmark* b) {
  b->UseRealTime()->MinTime(0.2)->Repetitions(5)->DisplayAggregatesOnly(true)->ComputeStatistics(
      "max", largest);
}

} // namespace

BENCHMARK_CAPTURE(BM_mask_search, portable, EcbPath::Portable)
    ->Arg(kPortableRange)
    ->Threads(1)
    ->Apply(runs);
BENCHMARK_CAPTURE(BM_mask_search, avx2, EcbPath::Avx2)
    ->Arg(kVectorRange)
    ->Threads(1)
    ->Threads(2)
    ->Apply(runs);
BENCHMARK_CAPTURE(BM_mask_search, avx512, EcbPath::Avx512)
    ->Arg(kVectorRange)
    ->Threads(1)
    ->Threads(2)
    ->Apply(runs);
BENCHMARK_CAPTURE(BM_mask_search, neon, EcbPath::Neon)
    ->Arg(kVectorRange)
    ->Threads(1)
    ->Threads(2)
    ->Apply(runs);
