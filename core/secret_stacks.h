// The stacks of the threads that handle secrets, so that a signal that ends
// the run also wipes what no list of secrets names: the subkeys a cipher
// kernel copied into its frame, a block on its way out, the spill slots of
// calls that have returned, and the registers the kernel saved in the signal
// frame when the signal came.
//
// How. Every such thread registers the part of its stack its work runs in,
// and a signal stack of its own (sigaltstack): the ending handlers run there
// (SA_ONSTACK), so the stack they interrupted is out of use and can be wiped
// whole. The thread that takes an ending signal calls stop_other_threads,
// which sends the stop signal (the first real-time signal) to every other
// registered thread; each of those wipes its own registered stack, its
// signal frame and its registers, and then waits for the end with every
// signal blocked, never running another instruction of its work. When all
// have (or after a second in which none did), the taking thread wipes the
// listed secrets and then its own stack (wipe_this_stack), and ends the
// process.
//
// Why each thread wipes its own: a thread that wiped another's stack while
// that one ran would see fresh secrets written behind it, or crash it on
// zeroed frames. The other way, workers blocking the ending signals and
// stopping at safe points, needs a check in every loop that handles secrets
// and still leaves the interrupted frames of the thread that takes the
// signal; a thread's own write to a closed pipe (SIGPIPE) could then not end
// the run either.
//
// A thread that is not registered (more than kMaxSecretThreads at once, or
// one that handles no secrets) is neither stopped nor wiped. Everything here
// that a signal handler calls is async-signal-safe.
#ifndef MOVREL_CORE_SECRET_STACKS_H
#define MOVREL_CORE_SECRET_STACKS_H

#include <csignal>
#include <cstddef>

// Marks a function that the ending handlers run: AddressSanitizer leaves it
// uninstrumented. It would otherwise unpoison the stacks before each call
// that does not return, which on a signal stack means asking the C library
// for the thread's stack bounds, which allocates: a deadlock when the signal
// came inside malloc (or during the leak check at exit).
#define MOVREL_SIGNAL_PATH __attribute__((no_sanitize_address))

// Bytes below the registering frame that a thread's work may reach while it
// holds secrets, locked in memory and wiped: the vector kernels' frames are
// under 12 KiB optimised (more at -O0) and scrub_stack takes 16 KiB.
constexpr size_t kStackTopBytes = size_t{64} * 1024;

// A signal stack: a signal frame with the whole AVX-512 state is under
// 4 KiB; the sanitizers' own handlers need more.
constexpr size_t kSignalStackBytes = size_t{64} * 1024;

// More than movrel recover's 1024 search threads and the viewer's workers.
constexpr size_t kMaxSecretThreads = 1040;

// Wipes kStackTopBytes of stack below the caller's frame (which also makes
// the stack reach that deep) and, when lock is set, locks them in memory.
// Frames of calls that have returned keep their locals and spill slots there.
void wipe_stack_below(bool lock);

// Registers the main thread, once, from start_secret_run: its stack from the
// process's first frame down to kStackTopBytes below the caller (locked), and
// a signal stack of its own; installs the handler of the stop signal.
void register_main_stack();

// Registers the thread it is made on (not main) for as long as it lives:
// declared first in a thread's function, it covers every frame that function
// calls. It locks kStackTopBytes below itself; at its end it wipes them, for
// the exit handler never sees that stack. A thread that finds the run ending
// as it registers or leaves waits there for the end instead.
class SecretThread {
public:
  SecretThread();
  ~SecretThread();
  SecretThread(const SecretThread&) = delete;
  SecretThread& operator=(const SecretThread&) = delete;

private:
  int slot_;
  stack_t previous_{}; // the signal stack the thread had before
  // Above the registered stack, which ends at this object's first byte.
  alignas(16) unsigned char signalStack_[kSignalStackBytes];
};

// Takes the end of the run for sig; false when another thread has already
// taken it (the caller then calls stop_this_thread).
bool claim_ending(int sig);

// Stops every other registered thread as above and returns once each has
// wiped its stack and waits for the end, or after a second in which none
// did.
void stop_other_threads();

// Wipes the calling thread's registered stack and the signal frame the
// handler got (info and context, as SA_SIGINFO gives them), when the handler
// runs on the thread's signal stack; then the vector registers.
void wipe_this_stack(siginfo_t* info, void* context);

// wipe_this_stack, then waits for the end of the process with every signal
// blocked.
[[noreturn]] void stop_this_thread(siginfo_t* info, void* context);

#endif
