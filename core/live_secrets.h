// The secrets a run holds right now (the password, keys, check blocks,
// plaintext buffers), so that every way the process ends wipes them first:
// a return from main, a fatal error (my_error ends through exit), and a
// signal that ends the process (Ctrl-C, a closed pipe, a kill).
//
// The list is kept in any case; the exit handler and the signal handlers
// that wipe it are there once a program has called start_secret_run (the
// password reader does).
//
// Threads: the list is safe for them. Any thread may list and release (the
// search threads of movrel recover check a hit with password_opens, which
// lists its copies): a slot is claimed by one compare-exchange, so no two
// secrets share it, and its length is stored before its address, so a
// signal handler reading the list never sees a live slot with a stale
// length. The handlers only read it. An ending signal also wipes the stacks
// of the threads that registered them (secret_stacks.h), and stops those
// threads first, so none writes a secret after the wipe.
#ifndef MOVREL_CORE_LIVE_SECRETS_H
#define MOVREL_CORE_LIVE_SECRETS_H

#include <csignal>
#include <cstddef>

// Once per run, on the main thread, before the first secret exists; later
// calls do nothing. Stops the process from being dumped or attached to by an
// unprivileged debugger (PR_SET_DUMPABLE 0), registers the main thread's
// stack (register_main_stack: its top 64 KiB, where keys, schedules and
// check blocks of single calls live, locked in memory), wipes every listed
// secret and those 64 KiB of stack at exit (after flushing the streams), and
// ends the process through end_by_signal on SIGINT, SIGQUIT, SIGTERM, SIGHUP
// and SIGPIPE (those not ignored), handled on the thread's signal stack: the
// process still dies of that signal, as it would have without this.
void start_secret_run();

// Lists n bytes at p until release_secret(p), and locks them in memory
// (mlock) where the system allows, silently going on where it does not. For
// buffers that live for much of the run: the password, the output buffer,
// the plaintext buffer.
void hold_secret(void* p, size_t n);

// Lists n bytes at p until release_secret(p), without locking: for a secret
// in the frame of one call, which the locked stack top already covers (a
// thread other than main registers its stack with SecretThread). Costs no
// system call.
void hold_stack_secret(void* p, size_t n);

// Wipes the n bytes listed at p and takes them off the list. Nothing for a
// null p.
void release_secret(const void* p);

// Wipes every listed secret (they stay listed), then the vector registers.
// Async-signal-safe.
void wipe_live_secrets();

// One temporary file being written (notes on their way to a file's final
// name): while it is registered, an exit and an ending signal unlink it, so
// that an interrupted or failed run leaves no plaintext behind. folder is an
// open directory that outlives the registration; name (at most 63 bytes) is
// copied. A new registration replaces the previous one.
void unlink_at_end(int folder, const char* name);
// Takes the registration back: the file has its final name, or is gone.
void keep_at_end();

// Ends the process by signal sig, with the signal's default action, once
// every registered thread has wiped its stack (secret_stacks.h), the listed
// secrets are wiped, and so is the calling thread's stack. For the handlers
// of the ending signals, installed with SA_SIGINFO and SA_ONSTACK, which
// pass on what they got. When another thread is already ending the run, the
// caller wipes its stack and waits for that end instead. Async-signal-safe.
[[noreturn]] void end_by_signal(int sig, siginfo_t* info, void* context);

#endif
