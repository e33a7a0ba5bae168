// Private hooks of myfile, not part of myfile.h: the tests replace them to make
// the allocator fail on a chosen call or to fix the log's clock. Programs that
// link myfile leave them alone; they start at the platform's own functions.
#ifndef MOVREL_SUPPORT_SEAMS_H
#define MOVREL_SUPPORT_SEAMS_H

#include <cstddef>
#include <ctime>

// Every block of the zero-filled arrays comes from these and goes back through
// myfile_free_hook (free1, free2, free3; readfile's block too).
extern void* (*myfile_malloc_hook)(size_t n);
extern void* (*myfile_realloc_hook)(void* p, size_t n);
extern void (*myfile_free_hook)(void* p);

// Seconds since the epoch, as gettimeofday reports them; the log's time stamp.
extern time_t (*myfile_clock_hook)(void);

#endif
