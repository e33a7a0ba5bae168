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
// length. The handlers only read it.
#ifndef MOVREL_CORE_LIVE_SECRETS_H
#define MOVREL_CORE_LIVE_SECRETS_H

#include <cstddef>

// Once per run, before the first secret exists; later calls do nothing.
// Stops the process from being dumped or attached to by an unprivileged
// debugger (PR_SET_DUMPABLE 0), locks the top 64 KiB of the stack in memory
// (where keys, schedules and check blocks of single calls live), wipes every
// listed secret and those 64 KiB of stack at exit (after flushing the
// streams), and ends the process through end_by_signal on
// SIGINT, SIGQUIT, SIGTERM, SIGHUP and SIGPIPE (those not ignored): the
// process still dies of that signal, as it would have without this.
void start_secret_run();

// Lists n bytes at p until release_secret(p), and locks them in memory
// (mlock) where the system allows, silently going on where it does not. For
// buffers that live for much of the run: the password, the output buffer,
// the plaintext buffer.
void hold_secret(void* p, size_t n);

// Lists n bytes at p until release_secret(p), without locking: for a secret
// in the frame of one call, which the locked stack top already covers. Costs
// no system call.
void hold_stack_secret(void* p, size_t n);

// For a thread other than main that handles secrets: at its start,
// lock_thread_stack locks its top 64 KiB of stack in memory as
// start_secret_run does main's; at its end, wipe_thread_stack wipes them,
// for the exit handler never sees that stack.
void lock_thread_stack();
void wipe_thread_stack();

// Wipes the n bytes listed at p and takes them off the list. Nothing for a
// null p.
void release_secret(const void* p);

// Wipes every listed secret (they stay listed), then the vector registers.
// Async-signal-safe.
void wipe_live_secrets();

// Wipes every listed secret and ends the process by signal sig, with the
// signal's default action. For signal handlers. Async-signal-safe.
[[noreturn]] void end_by_signal(int sig);

#endif
