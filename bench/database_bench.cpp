// The whole decoding job on a large database: 10,000 categories, 64 MiB of
// encrypted text, every category decrypted and written (to /dev/null).
#include "category_output.h"
#include "large_database.h"
#include "movrelview.h"
#include "wipe.h"

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

// Loading (copy and marker scan, on every processor) plus printing every
// category on range(0) workers, as one run of the tool does it.
void BM_DecodeLargeDatabase(benchmark::State& state) {
  const std::string& database = large_database();
  PasswordKey key;
  make_password_key(kLargeDatabasePassword, key);
  DiscardStdout discard;
  for (auto _ : state) {
    MovrelView view;
    const int32_t count = view.loadImage(database.data(), static_cast<int32_t>(database.size()));
    if (print_categories(view, count, key, static_cast<int>(state.range(0))).stop !=
        PrintStop::None) {
      state.SkipWithError("not every category was printed");
      return;
    }
  }
  secure_wipe(&key, sizeof key);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * database.size()));
  state.counters["categories"] = kLargeDatabaseCategories;
}
BENCHMARK(BM_DecodeLargeDatabase)
    ->ArgName("workers")
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);

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
