#include "live_secrets.h"

#include "wipe.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

// A run holds a handful at once: the password, the output buffer, the
// plaintext buffer, and a key and a check block per call. A secret beyond
// this many is not listed (it is still wiped on the paths that own it).
constexpr size_t kMaxSecrets = 32;

// Deep enough for every call made under main while secrets exist: the vector
// kernels' frames are under 12 KiB and scrub_stack takes 16 KiB.
constexpr size_t kLockedStackBytes = size_t{64} * 1024;

// A slot is live while p is not null. Written only by the main thread, read
// by the exit handler and by signal handlers: n is stored before p, and p is
// cleared before the slot is reused, so a handler never sees a live slot with
// a stale length.
struct Secret {
  void* volatile p;
  volatile size_t n;
};

Secret secrets[kMaxSecrets];
bool started = false;

const int kEndingSignals[] = {SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGPIPE};

// Streams are flushed first: a buffer wiped with bytes still pending in it
// would later be written out as zeros by exit's own flush.
void wipe_at_exit() {
  fflush(nullptr);
  wipe_live_secrets();
}

extern "C" void on_ending_signal(int sig) {
  end_by_signal(sig);
}

// Touches every page of the area, so that the stack reaches that deep, then
// locks those pages. Later frames of the run land on them.
__attribute__((noinline)) void lock_stack_top() {
  unsigned char area[kLockedStackBytes];
  secure_wipe(area, sizeof area);
  mlock(area, sizeof area);
}

void list_secret(void* p, size_t n) {
  for (Secret& slot : secrets) {
    if (slot.p == nullptr) {
      slot.n = n;
      slot.p = p;
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
  lock_stack_top();
  atexit(wipe_at_exit);
  struct sigaction action {};
  action.sa_handler = on_ending_signal;
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  for (int sig : kEndingSignals) {
    sigaddset(&action.sa_mask, sig);
  }
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
  start_secret_run();
  mlock(p, n);
  list_secret(p, n);
}

void hold_stack_secret(void* p, size_t n) {
  start_secret_run();
  list_secret(p, n);
}

void release_secret(const void* p) {
  for (Secret& slot : secrets) {
    if (slot.p == p) {
      secure_wipe(slot.p, slot.n);
      slot.p = nullptr;
      return;
    }
  }
}

void wipe_live_secrets() {
  for (Secret& slot : secrets) {
    void* p = slot.p;
    if (p != nullptr) {
      secure_wipe(p, slot.n);
    }
  }
}

void end_by_signal(int sig) {
  wipe_live_secrets();
  signal(sig, SIG_DFL);
  sigset_t only;
  sigemptyset(&only);
  sigaddset(&only, sig);
  sigprocmask(SIG_UNBLOCK, &only, nullptr);
  raise(sig);
  _exit(128 + sig); // not reached for a signal whose default action ends the process
}
