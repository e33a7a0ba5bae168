// Secrets listed from several threads at once (recover's search threads
// confirm hits this way) each get a slot of their own, so that
// wipe_live_secrets reaches every one. make check-tsan runs this too, where
// a slot claimed without synchronisation is a reported race.
#include "live_secrets.h"
#include "workers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

namespace {

// Every thread waits here until all have arrived, so that they list at once.
void meet(std::atomic<int>& arrived, int threads) {
  arrived.fetch_add(1);
  while (arrived.load() < threads) {
    std::this_thread::yield();
  }
}

TEST(LiveSecrets, ListedFromSeveralThreadsAtOnceAreAllWiped) {
  constexpr int kEach = 7; // 28 of the list's 32 slots
  static unsigned char secrets[kMaxWorkers][kEach][16];
  for (int round = 0; round < 200; ++round) {
    memset(secrets, 0xA5, sizeof secrets);
    std::atomic<int> ready{0};
    std::atomic<int> listed{0};
    std::atomic<int> wiped{0};
    run_workers(kMaxWorkers, [&](int index) {
      meet(ready, kMaxWorkers);
      for (auto& secret : secrets[index]) {
        hold_stack_secret(secret, sizeof secret);
      }
      meet(listed, kMaxWorkers);
      if (index == 0) {
        wipe_live_secrets();
      }
      meet(wiped, kMaxWorkers);
      for (auto& secret : secrets[index]) {
        release_secret(secret);
      }
    });
    static const unsigned char kZero[sizeof secrets] = {};
    ASSERT_EQ(memcmp(secrets, kZero, sizeof secrets), 0) << "round " << round;
  }
}

} // namespace
