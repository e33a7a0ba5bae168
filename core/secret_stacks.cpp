#include "secret_stacks.h"

#include "wipe.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <ctime>
#include <pthread.h>
#include <sys/mman.h>
#include <unistd.h>

// glibc's record of the stack pointer at the process's entry: every frame of
// the main thread, main's own included, lies below it.
extern "C" void* __libc_stack_end; // NOLINT(readability-redundant-declaration)

namespace {

// A slot's life: Free -> Claimed (by the registering thread, which fills it)
// -> Live -> Leaving (its thread ends) -> Free; or Live -> Stopping (the
// thread ending the run sends it the stop signal) and no further. Live ->
// Leaving and Live -> Stopping are both taken by compare-exchange, so a
// thread is never stopped and freed at once, and a Stopping slot keeps its
// thread id for as long as the process lives.
enum SlotState : int { kFree, kClaimed, kLive, kLeaving, kStopping };

// The fields other than state and parked are written by the registering
// thread before it stores Live, and read only by that thread or by the one
// that moved the slot to Stopping.
struct ThreadSlot {
  std::atomic<int> state{kFree};
  std::atomic<int> parked{0}; // its thread has wiped its stack and waits for the end
  pthread_t thread{};
  unsigned char* low = nullptr; // the registered stack, [low, high)
  unsigned char* high = nullptr;
  unsigned char* signalLow = nullptr; // its signal stack, [signalLow, signalHigh)
  unsigned char* signalHigh = nullptr;
};
static_assert(std::atomic<int>::is_always_lock_free, "used by signal handlers");

ThreadSlot slots[kMaxSecretThreads];

// The signal ending the run, from the moment a thread takes it; 0 before.
std::atomic<int> ending{0};

// The first real-time signal, which glibc leaves to applications.
int stop_signal = 0;

// The calling thread's slot, or -1. Initial-exec, so that a signal handler
// reads it without any allocation or lock.
__attribute__((tls_model("initial-exec"))) thread_local int own_slot = -1;

alignas(16) unsigned char main_signal_stack[kSignalStackBytes];

// Not through explicit_bzero: the sanitizers would check (and refuse) a
// write over other frames' poisoned red zones.
__attribute__((no_sanitize_address, no_sanitize_thread)) void wipe_range(unsigned char* low,
                                                                         unsigned char* high) {
  for (volatile unsigned char* p = low; p < high; ++p) {
    *p = 0;
  }
}

[[noreturn]] void wait_for_end() {
  for (;;) {
    pause(); // every signal is blocked: only the end of the process ends this
  }
}

void block_all_signals(sigset_t* previous = nullptr) {
  sigset_t all;
  sigfillset(&all);
  pthread_sigmask(SIG_BLOCK, &all, previous);
}

// Blocks every signal, tells the thread ending the run, and waits.
[[noreturn]] MOVREL_SIGNAL_PATH void park() {
  block_all_signals();
  if (own_slot >= 0) {
    slots[own_slot].parked.store(1);
  }
  wait_for_end();
}

// A free slot filled in and made Live, or -1 when every slot is taken. The
// run may already be ending: the thread then parks at once.
int register_stack(unsigned char* low, unsigned char* high, unsigned char* signalStack) {
  // The frames above the registering one are a few KiB. A stack that is not
  // one piece (a sanitizer's fake stack for locals) is not registered
  // rather than wiped across whatever lies between.
  const auto bytes = reinterpret_cast<uintptr_t>(high) - reinterpret_cast<uintptr_t>(low);
  if (bytes <= kStackTopBytes || bytes > kStackTopBytes + (size_t{1} << 20)) {
    return -1;
  }
  for (size_t index = 0; index < kMaxSecretThreads; ++index) {
    ThreadSlot& slot = slots[index];
    int expected = kFree;
    if (slot.state.compare_exchange_strong(expected, kClaimed)) {
      slot.thread = pthread_self();
      slot.low = low;
      slot.high = high;
      slot.signalLow = signalStack;
      slot.signalHigh = signalStack + kSignalStackBytes;
      slot.parked.store(0);
      own_slot = static_cast<int>(index);
      slot.state.store(kLive);
      if (ending.load() != 0) {
        park();
      }
      return own_slot;
    }
  }
  return -1;
}

// kStackTopBytes below the caller's frame, which a wipe_stack_below(true)
// just made resident and locked (its area lies further down still).
__attribute__((always_inline)) inline unsigned char* lowest_frame_bound() {
  return static_cast<unsigned char*>(__builtin_frame_address(0)) - kStackTopBytes;
}

bool install_signal_stack(unsigned char* stack, stack_t* previous) {
  stack_t own{};
  own.ss_sp = stack;
  own.ss_size = kSignalStackBytes;
  if (sigaltstack(&own, previous) != 0) {
    return false;
  }
  mlock(stack, kSignalStackBytes);
  return true;
}

extern "C" MOVREL_SIGNAL_PATH void on_stop_signal(int /*sig*/, siginfo_t* info, void* context) {
  if (ending.load() == 0) {
    return; // not ours: nothing is ending
  }
  stop_this_thread(info, context);
}

} // namespace

__attribute__((noinline)) void wipe_stack_below(bool lock) {
  unsigned char area[kStackTopBytes];
  secure_wipe(area, sizeof area);
  if (lock) {
    mlock(area, sizeof area);
  }
}

void register_main_stack() {
  // Worker threads may register whether or not main's stack can be.
  stop_signal = SIGRTMIN;
  struct sigaction action {};
  action.sa_sigaction = on_stop_signal;
  action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_RESTART;
  sigfillset(&action.sa_mask);
  sigaction(stop_signal, &action, nullptr);
  wipe_stack_below(true); // later frames of the run land on these pages
  if (install_signal_stack(main_signal_stack, nullptr)) {
    register_stack(lowest_frame_bound(), static_cast<unsigned char*>(__libc_stack_end),
                   main_signal_stack);
  }
}

SecretThread::SecretThread() : slot_(-1) {
  wipe_stack_below(true);
  if (install_signal_stack(signalStack_, &previous_)) {
    slot_ =
        register_stack(lowest_frame_bound(), reinterpret_cast<unsigned char*>(this), signalStack_);
    if (slot_ < 0) {
      sigaltstack(&previous_, nullptr);
    }
  }
}

SecretThread::~SecretThread() {
  wipe_stack_below(false);
  if (slot_ < 0) {
    return;
  }
  sigset_t previousMask;
  block_all_signals(&previousMask);
  int expected = kLive;
  if (!slots[slot_].state.compare_exchange_strong(expected, kLeaving)) {
    park(); // the run is ending, and its stop signal is on its way here
  }
  own_slot = -1;
  sigaltstack(&previous_, nullptr);
  munlock(signalStack_, sizeof signalStack_);
  slots[slot_].state.store(kFree);
  pthread_sigmask(SIG_SETMASK, &previousMask, nullptr);
}

bool claim_ending(int sig) {
  int expected = 0;
  return ending.compare_exchange_strong(expected, sig);
}

void stop_other_threads() {
  bool waiting[kMaxSecretThreads] = {};
  for (size_t index = 0; index < kMaxSecretThreads; ++index) {
    int expected = kLive;
    if (static_cast<int>(index) != own_slot &&
        slots[index].state.compare_exchange_strong(expected, kStopping)) {
      waiting[index] = pthread_kill(slots[index].thread, stop_signal) == 0;
    }
  }
  // A thread in a system call or waiting for a processor takes its signal
  // when it next runs: with many more threads than processors that is a
  // while. The wait ends when all have parked, or after a second in which
  // none did, should one never come back to its signal.
  size_t left = kMaxSecretThreads + 1;
  int idleMilliseconds = 0;
  while (idleMilliseconds < 1000) {
    size_t now = 0;
    for (size_t index = 0; index < kMaxSecretThreads; ++index) {
      now += waiting[index] && slots[index].parked.load() == 0 ? 1 : 0;
    }
    if (now == 0) {
      return;
    }
    idleMilliseconds = now < left ? 0 : idleMilliseconds + 1;
    left = now;
    const timespec pause{0, 1000000L};
    nanosleep(&pause, nullptr);
  }
}

void wipe_this_stack(siginfo_t* info, void* context) {
  stack_t current{};
  if (own_slot >= 0 && sigaltstack(nullptr, &current) == 0 &&
      (current.ss_flags & SS_ONSTACK) != 0) {
    const ThreadSlot& slot = slots[own_slot];
    wipe_range(slot.low, slot.high);
    // The kernel put the signal frame (siginfo, ucontext and the saved
    // register state) at the top of the signal stack and started the handler
    // right below it: from the lower of the two up, nothing is the handler's.
    unsigned char* frame =
        std::min(reinterpret_cast<unsigned char*>(info), static_cast<unsigned char*>(context));
    if (frame >= slot.signalLow && frame < slot.signalHigh) {
      wipe_range(frame, slot.signalHigh);
    }
  }
  scrub_vector_registers();
}

MOVREL_SIGNAL_PATH void stop_this_thread(siginfo_t* info, void* context) {
  wipe_this_stack(info, context);
  park();
}
