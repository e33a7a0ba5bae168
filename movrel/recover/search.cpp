#include "search.h"

#include "wipe.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Shared {
  explicit Shared(const SearchJob& searchJob) : job(searchJob), best(searchJob.range.end) {}

  const SearchJob& job;
  std::atomic<uint64_t> nextChunk{0};
  std::atomic<uint64_t> best; // lowest confirmed index so far, or range.end
  std::atomic<uint64_t> tried{0};
  std::mutex mutex;
  std::condition_variable finished;
  unsigned running = 0;
};

void lower_to(std::atomic<uint64_t>& best, uint64_t index) {
  uint64_t seen = best.load();
  while (index < seen && !best.compare_exchange_weak(seen, index)) {
  }
}

// Chunks in increasing order until the range is done or a chunk would start
// past a confirmed find (none of it could be lower).
void worker(Shared& shared) {
  const SearchJob& job = shared.job;
  for (;;) {
    const uint64_t number = shared.nextChunk.fetch_add(1);
    const uint64_t size = job.range.end - job.range.begin;
    if (number >= size / job.chunk + (size % job.chunk != 0 ? 1 : 0)) {
      break;
    }
    const uint64_t begin = job.range.begin + number * job.chunk;
    if (begin > shared.best.load()) {
      break;
    }
    const uint64_t end = job.range.end - begin < job.chunk ? job.range.end : begin + job.chunk;
    uint64_t at = begin;
    while (at < end) {
      at = job.firstMatch(at, end);
      if (at < end && job.confirm(at)) {
        lower_to(shared.best, at);
        break;
      }
      at = at < end ? at + 1 : end;
    }
    shared.tried.fetch_add(at - begin);
  }
  // The vector kernels leave candidate words, the password's among them
  // once found, in spill slots below this frame.
  scrub_stack();
  std::lock_guard<std::mutex> lock(shared.mutex);
  --shared.running;
  shared.finished.notify_all();
}

// h:mm:ss
std::string clock_time(double seconds) {
  const auto whole = static_cast<unsigned long long>(seconds);
  char text[32];
  snprintf(text, sizeof text, "%llu:%02llu:%02llu", whole / 3600, whole / 60 % 60, whole % 60);
  return text;
}

void show_progress(const Shared& shared, Clock::time_point start) {
  const uint64_t total = shared.job.range.end - shared.job.range.begin;
  const uint64_t tried = shared.tried.load();
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  const double rate = seconds > 0 ? static_cast<double>(tried) / seconds : 0;
  const double left = rate > 0 ? static_cast<double>(total - tried) / rate : 0;
  fprintf(stderr, "\r%llu of %llu tried (%.1f%%), %.1f M/s, %s elapsed, %s left ",
          static_cast<unsigned long long>(tried), static_cast<unsigned long long>(total),
          total > 0 ? 100.0 * static_cast<double>(tried) / static_cast<double>(total) : 100.0,
          rate / 1e6, clock_time(seconds).c_str(), clock_time(left).c_str());
  fflush(stderr);
}

} // namespace

SearchResult run_search(const SearchJob& job) {
  Shared shared(job);
  const Clock::time_point start = Clock::now();
  std::vector<std::thread> threads;
  {
    std::lock_guard<std::mutex> lock(shared.mutex);
    shared.running = job.threads;
  }
  for (unsigned i = 0; i < job.threads; ++i) {
    threads.emplace_back(worker, std::ref(shared));
  }
  {
    std::unique_lock<std::mutex> lock(shared.mutex);
    while (shared.running > 0) {
      shared.finished.wait_for(lock, std::chrono::milliseconds(250));
      if (job.showProgress) {
        show_progress(shared, start);
      }
    }
  }
  for (std::thread& thread : threads) {
    thread.join();
  }
  if (job.showProgress) {
    show_progress(shared, start);
    fputs("\n", stderr);
  }
  SearchResult result;
  result.index = shared.best.load();
  result.found = result.index < job.range.end;
  result.tried = shared.tried.load();
  return result;
}
