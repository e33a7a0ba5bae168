#include "live_secrets.h"

#include "secret_stacks.h"
#include "wipe.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

// A run holds a handful at once: the password, the output buffer, the
// plaintext buffer, and a key and a check block per call. A secret beyond
// this many is not listed (it is still wiped on the paths that own it).
constexpr size_t kMaxSecrets = 32;

// A slot is free while p is null, and taken by the compare-exchange that
// puts kClaimed there; its owner then stores n and, last, p. Readers skip
// null and kClaimed, and read n only after a live p.
struct Secret {
  std::atomic<void*> p{nullptr};
  std::atomic<size_t> n{0};
};
static_assert(std::atomic<void*>::is_always_lock_free && std::atomic<size_t>::is_always_lock_free,
              "read by signal handlers");

Secret secrets[kMaxSecrets];
char claimed_marker;
void* const kClaimed = &claimed_marker;
bool started = false;

const int kEndingSignals[] = {SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGPIPE};

// The temporary file unlink_at_end registered; the name is complete before
// temporary_set is raised, and a handler only reads it.
int temporary_folder = -1;
char temporary_name[64];
volatile sig_atomic_t temporary_set = 0;

// unlinkat is async-signal-safe.
MOVREL_SIGNAL_PATH void unlink_temporary() {
  if (temporary_set != 0) {
    unlinkat(temporary_folder, temporary_name, 0);
    temporary_set = 0;
  }
}

// Streams are flushed first: a buffer wiped with bytes still pending in it
// would later be written out as zeros by exit's own flush. exit runs this
// from main's caller, or from deep in the run after a fatal error; either
// way the frames of the calls made before lie below.
void wipe_at_exit() {
  unlink_temporary();
  fflush(nullptr);
  wipe_live_secrets();
  wipe_stack_below(false);
}

extern "C" MOVREL_SIGNAL_PATH void on_ending_signal(int sig, siginfo_t* info, void* context) {
  end_by_signal(sig, info, context);
}

void list_secret(void* p, size_t n) {
  for (Secret& slot : secrets) {
    void* expected = nullptr;
    if (slot.p.load() == nullptr && slot.p.compare_exchange_strong(expected, kClaimed)) {
      slot.n.store(n);
      slot.p.store(p);
      return;
    }
  }
}

} // namespace

void start_secret_run() {
  if (started) {
    return;
  }
  started = true;
  prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
  register_main_stack();
  atexit(wipe_at_exit);
  struct sigaction action {};
  action.sa_sigaction = on_ending_signal;
  action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_RESTART;
  sigfillset(&action.sa_mask); // nothing interrupts the end
  for (int sig : kEndingSignals) {
    struct sigaction old {};
    // A signal the caller chose to ignore stays ignored (nohup, or a writer
    // that wants EPIPE rather than SIGPIPE).
    if (sigaction(sig, nullptr, &old) == 0 && old.sa_handler != SIG_IGN) {
      sigaction(sig, &action, nullptr);
    }
  }
}

void hold_secret(void* p, size_t n) {
  mlock(p, n);
  list_secret(p, n);
}

void hold_stack_secret(void* p, size_t n) {
  list_secret(p, n);
}

void release_secret(const void* p) {
  if (p == nullptr) {
    return;
  }
  for (Secret& slot : secrets) {
    void* listed = slot.p.load();
    if (listed == p) {
      secure_wipe(listed, slot.n.load());
      slot.p.store(nullptr);
      return;
    }
  }
}

void wipe_live_secrets() {
  for (Secret& slot : secrets) {
    void* p = slot.p.load();
    if (p != nullptr && p != kClaimed) {
      secure_wipe(p, slot.n.load());
    }
  }
  // The copies that C++ cannot name: text that passed through the registers
  // on its way into the output buffer.
  scrub_vector_registers();
}

void unlink_at_end(int folder, const char* name) {
  temporary_set = 0;
  temporary_folder = folder;
  strncpy(temporary_name, name, sizeof temporary_name - 1);
  temporary_set = 1;
}

void keep_at_end() {
  temporary_set = 0;
}

MOVREL_SIGNAL_PATH void end_by_signal(int sig, siginfo_t* info, void* context) {
  if (!claim_ending(sig)) {
    stop_this_thread(info, context); // another thread is ending the run
  }
  stop_other_threads();
  unlink_temporary();
  wipe_live_secrets();
  wipe_this_stack(info, context);
  signal(sig, SIG_DFL);
  sigset_t only;
  sigemptyset(&only);
  sigaddset(&only, sig);
  sigprocmask(SIG_UNBLOCK, &only, nullptr);
  raise(sig);
  _exit(128 + sig); // not reached for a signal whose default action ends the process
}
