// Candidates per second of `movrel recover`, per kernel path, one thread
// each, against a check value that nothing tried matches:
//   mask      ?a?a?a?a?a?a?a?a (every printable character but a-z, 8 long),
//             on 1 and 2 threads searching disjoint ranges
//   hybrid    ?w?d?d?d: each word of a list with 1,000 endings (word + mask)
//   file      a wordlist of 8-letter words read from a file
//   pipe      the same list read from a FIFO, written by another thread
//   checkpoints  a mask search on one search thread while the main thread
//             writes a status line and saves the session every second (ten
//             times as often as the command does), against one that does
//             neither: the cost of keeping a session
// The last four run the command's own pieces (word_piece.h) and search
// (search.h) as the command does. A path the processor lacks is reported as skipped. Compare
// the rows of one run: the machine may be shared.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "ecb.h"
#include "mask.h"
#include "mask_part.h"
#include "mask_piece.h"
#include "maskspace.h"
#include "search.h"
#include "session.h"
#include "status.h"
#include "word_piece.h"

namespace {

// Candidates per thread per timed iteration of the mask: a few milliseconds
// on the vector paths, and 1/32 of that on the portable one.
constexpr int64_t kVectorRange = int64_t{1} << 21;
constexpr int64_t kPortableRange = int64_t{1} << 16;
constexpr uint16_t kCheck[4] = {0x0123, 0x4567, 0x89AB, 0xCDEF};

std::string printable() {
  std::string set;
  for (int c = 0x20; c <= 0x7E; ++c) {
    if (c < 'a' || c > 'z') {
      set += static_cast<char>(c);
    }
  }
  return set;
}

const MaskSpace& space() {
  static const MaskSpace mask(std::vector<std::string>(8, printable()), 8);
  return mask;
}

void BM_mask(benchmark::State& state, EcbPath path) {
  if (!ecb_path_available(path)) {
    state.SkipWithError("path not supported by this processor");
    return;
  }
  const MaskSpace& mask = space();
  const auto range = static_cast<uint64_t>(state.range(0));
  uint64_t begin = static_cast<uint64_t>(state.thread_index()) * (uint64_t{1} << 40);
  int64_t tested = 0;
  for (auto _ : state) {
    // A 32-bit match by chance (about once in 2^32) ends a call early: go on
    // after it, so every iteration covers its whole range.
    for (uint64_t at = begin; at < begin + range;) {
      at = mask.first_match(path, at, begin + range, kCheck) + 1;
    }
    tested += state.range(0);
    begin += range;
  }
  state.counters["candidates/s"] =
      benchmark::Counter(static_cast<double>(tested), benchmark::Counter::kIsRate);
}

// A list of 8-letter words, 9 bytes a line, made once.
constexpr size_t kWords = size_t{1} << 22;
const std::string& word_text() {
  static const std::string text = [] {
    std::string all(kWords * 9, '\n');
    uint32_t x = 12345;
    for (size_t i = 0; i < kWords; ++i) {
      for (size_t k = 0; k < 8; ++k) {
        x = x * 1103515245 + 12345;
        all[i * 9 + k] = static_cast<char>('a' + (x >> 16) % 26);
      }
    }
    return all;
  }();
  return text;
}

// A file of the first bytes of the list, made once per size.
std::string word_file(size_t bytes) {
  std::string path =
      "/tmp/movrel-bench-words-" + std::to_string(getpid()) + "-" + std::to_string(bytes);
  if (access(path.c_str(), R_OK) != 0) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (fd < 0) {
      perror(path.c_str());
      return path;
    }
    if (write(fd, word_text().data(), bytes) != static_cast<ssize_t>(bytes)) {
      perror(path.c_str());
    }
    close(fd);
  }
  return path;
}

// Every candidate of piece, as one search thread tries them; the count.
uint64_t run_piece(Piece& piece, EcbPath path) {
  LaneBatch batch;
  Trial trial;
  trial.path = path;
  std::copy(kCheck, kCheck + 4, trial.check);
  trial.batch = &batch;
  trial.confirm = [](uint64_t) { return false; };
  uint64_t tried = 0;
  Unit unit;
  while (piece.next(trial.scope, unit)) {
    piece.search(unit, trial, tried);
  }
  return tried;
}

enum class Source { File, Pipe };

void BM_words(benchmark::State& state, EcbPath path, Source source, const char* mask) {
  if (!ecb_path_available(path)) {
    state.SkipWithError("path not supported by this processor");
    return;
  }
  std::unique_ptr<MaskPart> part = std::make_unique<MaskPart>();
  if (mask != nullptr) {
    MaskText written;
    written.mask = mask;
    ParsedMask parsed;
    std::string error;
    parse_mask(written, parsed, error);
    part = std::make_unique<MaskPart>(parsed, false, 0, 16);
  }
  // Fewer words for the portable path and word + mask, to keep runs short.
  const size_t bytes = path == EcbPath::Portable || mask != nullptr ? kWords * 9 / 256 : kWords * 9;
  const std::string file = word_file(bytes);
  int64_t tried = 0;
  for (auto _ : state) {
    std::string fifo;
    std::thread writer;
    std::string error;
    WordPiece piece(0, *part, kUnknownSize);
    if (source == Source::Pipe) {
      fifo = file + ".fifo";
      unlink(fifo.c_str());
      mkfifo(fifo.c_str(), 0600);
      writer = std::thread([&] {
        const int fd = open(fifo.c_str(), O_WRONLY);
        for (size_t at = 0; at < bytes;) {
          const ssize_t put = write(fd, word_text().data() + at, bytes - at);
          at += put > 0 ? static_cast<size_t>(put) : bytes;
        }
        close(fd);
      });
      piece.open(fifo, error);
    } else {
      piece.open(file, error);
    }
    tried += static_cast<int64_t>(run_piece(piece, path));
    if (writer.joinable()) {
      writer.join();
      unlink(fifo.c_str());
    }
  }
  state.counters["candidates/s"] =
      benchmark::Counter(static_cast<double>(tried), benchmark::Counter::kIsRate);
  unlink(file.c_str());
}

// 2^30 candidates of ?a^8 through Search on one thread; every second (when
// keeping) a status line to /dev/null and a session saved to disk.
void BM_checkpoints(benchmark::State& state, bool keeping) {
  char folder[] = "/tmp/movrel-bench-state-XXXXXX";
  setenv("XDG_STATE_HOME", mkdtemp(folder), 1);
  Session session;
  std::string error;
  session.open("bench", error);
  FILE* null = fopen("/dev/null", "w");
  int64_t tried = 0;
  for (auto _ : state) {
    std::vector<std::unique_ptr<Piece>> pieces;
    pieces.push_back(std::make_unique<MaskPiece>(0, std::vector<std::string>(8, printable()), 8));
    SearchSetup setup;
    std::copy(kCheck, kCheck + 4, setup.check);
    setup.path = ecb_best_path();
    setup.scope.hi = uint64_t{1} << 30;
    Search search(pieces, setup);
    SearchClock clock;
    SessionState kept;
    double last = 0;
    search.start();
    while (!search.wait_for(std::chrono::milliseconds(250))) {
      clock.step(false);
      if (keeping && clock.seconds() - last >= 1) {
        last = clock.seconds();
        kept.position = search.position();
        kept.tried = search.tried();
        fprintf(null, "%llu tried\n", static_cast<unsigned long long>(kept.tried));
        session.save(kept, error);
      }
    }
    tried += static_cast<int64_t>(search.tried());
  }
  fclose(null);
  session.remove();
  rmdir((std::string(folder) + "/movrel").c_str());
  rmdir(folder);
  state.counters["candidates/s"] =
      benchmark::Counter(static_cast<double>(tried), benchmark::Counter::kIsRate);
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

BENCHMARK_CAPTURE(BM_mask, portable, EcbPath::Portable)->Arg(kPortableRange)->Apply(runs);
BENCHMARK_CAPTURE(BM_mask, avx2, EcbPath::Avx2)
    ->Arg(kVectorRange)
    ->Threads(1)
    ->Threads(2)
    ->Apply(runs);
BENCHMARK_CAPTURE(BM_mask, avx512, EcbPath::Avx512)
    ->Arg(kVectorRange)
    ->Threads(1)
    ->Threads(2)
    ->Apply(runs);
BENCHMARK_CAPTURE(BM_mask, neon, EcbPath::Neon)
    ->Arg(kVectorRange)
    ->Threads(1)
    ->Threads(2)
    ->Apply(runs);
// One search of a few seconds per run, five runs each.
void searches(benchmark::internal::Benchmark* b) {
  b->UseRealTime()->Iterations(1)->Repetitions(5)->DisplayAggregatesOnly(true)->ComputeStatistics(
      "max", largest);
}
BENCHMARK_CAPTURE(BM_checkpoints, none, false)->Apply(searches);
BENCHMARK_CAPTURE(BM_checkpoints, every_second, true)->Apply(searches);
#define WORD_BENCHMARKS(name, path)                                                                \
  BENCHMARK_CAPTURE(BM_words, name##_hybrid, path, Source::File, "?w?d?d?d")->Apply(runs);         \
  BENCHMARK_CAPTURE(BM_words, name##_file, path, Source::File, nullptr)->Apply(runs);              \
  BENCHMARK_CAPTURE(BM_words, name##_pipe, path, Source::Pipe, nullptr)->Apply(runs)
WORD_BENCHMARKS(portable, EcbPath::Portable);
WORD_BENCHMARKS(avx2, EcbPath::Avx2);
WORD_BENCHMARKS(avx512, EcbPath::Avx512);
WORD_BENCHMARKS(neon, EcbPath::Neon);
