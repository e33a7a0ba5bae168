// Running one job on every processor the process may use.
#ifndef MOVREL_CORE_WORKERS_H
#define MOVREL_CORE_WORKERS_H

// Most threads a job runs on. Loading and decrypting are bound by memory
// bandwidth long before a processor count runs out, and each worker adds
// about 200 KiB of locked stack and batch buffer to what the run keeps
// resident beyond the file's size.
constexpr int kMaxWorkers = 4;

// The processors this process may run on (its affinity mask); at least 1.
unsigned available_processors();

// Threads for a job that uses every processor: from 1 to kMaxWorkers.
inline int available_workers() {
  const unsigned processors = available_processors();
  return processors < kMaxWorkers ? static_cast<int>(processors) : kMaxWorkers;
}

// Runs job(context, 0) on the calling thread and job(context, 1) ...
// job(context, workers - 1) on threads of their own (at most kMaxWorkers in
// all), and returns when all have returned. Each thread registers its stack
// (SecretThread: locked in memory while it runs, wiped at an ending signal),
// and its stack below the job's frame (where the cipher kernels spill block
// words) is wiped before the thread ends, as the caller's is below the call. When a thread cannot
// be started, the jobs it would have run are left out: a job takes its work from shared counters,
// so the others do that work. job must not end the process or throw.
void run_workers(int workers, void (*job)(const void* context, int index), const void* context);

// The same for a callable job(index).
template <class Job> void run_workers(int workers, const Job& job) {
  run_workers(
      workers, [](const void* context, int index) { (*static_cast<const Job*>(context))(index); },
      &job);
}

#endif
