// The whole decoding job on a large database: 10,000 categories, 64 MiB of
// encrypted text, every category decrypted and written (to /dev/null).
#include "large_database.h"
#include "movrelview.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Sends file descriptor 1 to /dev/null while it lives; the benchmark's own
// report, also on stdout, comes after it.
class DiscardStdout {
public:
  DiscardStdout() : saved_(dup(STDOUT_FILENO)) {
    fflush(stdout);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    close(null);
  }
  ~DiscardStdout() {
    fflush(stdout);
    dup2(saved_, STDOUT_FILENO);
    close(saved_);
  }
  DiscardStdout(const DiscardStdout&) = delete;
  DiscardStdout& operator=(const DiscardStdout&) = delete;

private:
  int saved_;
};

// Loading (copy and marker scan) plus every printcat, as one run of the tool.
void BM_DecodeLargeDatabase(benchmark::State& state) {
  const std::string& database = large_database();
  DiscardStdout discard;
  for (auto _ : state) {
    MovrelView view;
    const int32_t count = view.loadImage(database.data(), static_cast<int32_t>(database.size()));
    for (int32_t index = 0; index < count; ++index) {
      if (view.printcat(index, kLargeDatabasePassword) != 0) {
        state.SkipWithError("wrong password");
        return;
      }
    }
    fflush(stdout);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * database.size()));
  state.counters["categories"] = kLargeDatabaseCategories;
}
BENCHMARK(BM_DecodeLargeDatabase)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The marker scan alone, over the same image.
void BM_ScanLargeDatabase(benchmark::State& state) {
  const std::string& database = large_database();
  MovrelView view;
  view.loadImage(database.data(), static_cast<int32_t>(database.size()));
  for (auto _ : state) {
    int32_t count = 0;
    for (int32_t p = view.findNextCat(0); p >= 0; p = view.findNextCat(p)) {
      ++count;
    }
    benchmark::DoNotOptimize(count);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * database.size()));
}
BENCHMARK(BM_ScanLargeDatabase)->Unit(benchmark::kMillisecond);

} // namespace
