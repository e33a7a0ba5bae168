#include "workers.h"

#include "live_secrets.h"
#include "wipe.h"

#include <exception>
#include <sched.h>
#include <thread>

int available_workers() {
  cpu_set_t cpus;
  CPU_ZERO(&cpus);
  if (sched_getaffinity(0, sizeof cpus, &cpus) != 0) {
    return 1;
  }
  const int count = CPU_COUNT(&cpus);
  return count < 1 ? 1 : count > kMaxWorkers ? kMaxWorkers : count;
}

void run_workers(int workers, void (*job)(const void* context, int index), const void* context) {
  std::thread threads[kMaxWorkers];
  int started = 1;
  for (; started < workers && started < kMaxWorkers; ++started) {
    try {
      threads[started] = std::thread([job, context, index = started] {
        lock_thread_stack();
        job(context, index);
        wipe_thread_stack();
      });
    } catch (const std::exception&) {
      break; // no thread or no memory for one: fewer workers
    }
  }
  job(context, 0);
  scrub_stack();
  for (int index = 1; index < started; ++index) {
    threads[index].join();
  }
}
