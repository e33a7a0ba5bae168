#include "workers.h"

#include "secret_stacks.h"
#include "wipe.h"

#include <exception>
#include <sched.h>
#include <thread>

unsigned available_processors() {
  cpu_set_t cpus;
  CPU_ZERO(&cpus);
  if (sched_getaffinity(0, sizeof cpus, &cpus) == 0 && CPU_COUNT(&cpus) > 0) {
    return static_cast<unsigned>(CPU_COUNT(&cpus));
  }
  const unsigned processors = std::thread::hardware_concurrency();
  return processors > 0 ? processors : 1;
}

void run_workers(int workers, void (*job)(const void* context, int index), const void* context) {
  std::thread threads[kMaxWorkers];
  int started = 1;
  for (; started < workers && started < kMaxWorkers; ++started) {
    try {
      threads[started] = std::thread([job, context, index = started] {
        const SecretThread registered;
        job(context, index);
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
