// myfile: the support library. Uniform diagnostics, a search path with checked
// file access, zero-filled arrays, text input and a time-stamped log file.
//
// Conventions shared by every function here:
//  - A name that begins with `e` treats failure as fatal: it reports through
//    my_error and does not return. A name that begins with `w` reports through
//    my_warning and returns (null for an open, -1 for a null stream, otherwise
//    the short count). A name that begins with `z` hands out zero-filled memory
//    and returns null on exhaustion without a report; its `ez` form reports.
//  - Source location: before a call that may report, the caller stores its
//    line and file into current_src_line / current_src_file. Functions that take
//    (line, file) as their last two arguments store them themselves, and only
//    on their failure path. Line 0 or less means "no location".
#ifndef MOVREL_SUPPORT_MYFILE_H
#define MOVREL_SUPPORT_MYFILE_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

#define MYFILE_PRINTF(fmt, first) __attribute__((format(printf, fmt, first)))

// ---------------------------------------------------------------- diagnostics
// A message line is: prefix ("ERROR", "WARNING" or "## "), " process %d" unless
// error_procid is -1, ": ", the formatted message, " (line %d, file %s)" when
// current_src_line > 0, "\n"; written to stderr and flushed at once.

extern int32_t current_src_line;     // 0 at start; <= 0 means no location
extern const char* current_src_file; // "(unknown)" at start; caller keeps it alive
extern int32_t error_procid;         // -1 at start: no process number printed
extern FILE* error_log;              // null at start; gets a copy of errors and warnings

// Reports and ends the process with exit status 1 (through exit, so streams
// are flushed). The line is also copied to error_log when that is set.
[[noreturn]] void my_error(const char* format, ...) MYFILE_PRINTF(1, 2);
// Reports, copies to error_log when set, and returns -1.
int my_warning(const char* format, ...) MYFILE_PRINTF(1, 2);
// Writes a "## " line to stderr only; sets errno to 0 first.
void my_debug(const char* format, ...) MYFILE_PRINTF(1, 2);

// ------------------------------------------------- search path and file access
// Relative names are tried in the working directory first (the name as given,
// so it opens from a working directory of any depth), then in each directory
// added for the current category, in the order they were added. Absolute
// names are opened as given. Names and candidate paths of up to PATH_MAX bytes
// with the terminator; a longer candidate is skipped as one that does not
// open. Up to 100 directories in all.

void adddir(const char* dir, int32_t cat); // "" is stored as "."
void remdir(const char* dir, int32_t cat); // removes the first exact match; "" matches "."
void setcat(int32_t cat);                  // selects the category later searches use

// Full path of the file the search finds (heap, caller frees), or null. A file
// found in a working directory too deep for its full path comes back as the
// name given.
char* getpath(const char* name);
// Absolute path of an existing directory, ending in "/" (heap, caller frees), or null.
char* getpathdir(const char* dir);

// Open through the search path. On failure: "can't open file %s for `%s'" with
// the mode word ("reading" for r..., "writing" for w..., else the mode itself).
FILE* efopen(const char* name, const char* mode, int32_t line, const char* file);
FILE* wfopen(const char* name, const char* mode, int32_t line, const char* file);

// Checked stream operations. The printf pair stores no source location. A
// write or read of no bytes (size or count 0) succeeds at once and returns
// count.
int efprintf(FILE* stream, const char* format, ...) MYFILE_PRINTF(2, 3);
int wfprintf(FILE* stream, const char* format, ...) MYFILE_PRINTF(2, 3);
long efwrite(const void* data, size_t size, size_t count, FILE* stream, int32_t line,
             const char* file);
long wfwrite(const void* data, size_t size, size_t count, FILE* stream, int32_t line,
             const char* file);
long efread(void* buffer, size_t size, size_t count, FILE* stream, int32_t line, const char* file);
long wfread(void* buffer, size_t size, size_t count, FILE* stream, int32_t line, const char* file);

// --------------------------------------------------------- zero-filled arrays
// Plain forms return null on exhaustion (or on sizes that overflow size_t) and
// leave nothing allocated; a failed zrealloc/zadd leaves the caller's block intact.
// The ez forms report "can't allocate ..." with (name, line, file) instead;
// a size above LONG_MAX, or one that left size_t, is printed as LONG_MAX.
// zrealloc with p null zero-fills the whole block, old_size bytes included.
// zadd's elem may be one of the array's own elements.
// free2/free3 take a null array as empty. A zrealloc to 0 bytes in all keeps
// a 1-byte block, so that null always means failure.

void* zmalloc(size_t n);
void free1(void* p);
void** zmalloc2(size_t rows, size_t row_size);
void free2(void** a, size_t rows);
void*** zmalloc3(size_t planes, size_t rows, size_t row_size);
void free3(void*** a, size_t planes, size_t rows);
void* zrealloc(void* p, size_t old_size, size_t add);
void* zadd(void* a, size_t count, size_t elem_size, const void* elem);

void* ezmalloc(size_t n, const char* name, int32_t line, const char* file);
void** ezmalloc2(size_t rows, size_t row_size, const char* name, int32_t line, const char* file);
void*** ezmalloc3(size_t planes, size_t rows, size_t row_size, const char* name, int32_t line,
                  const char* file);
void* ezrealloc(void* p, size_t old_size, size_t add, const char* name, int32_t line,
                const char* file);
void* ezadd(void* a, size_t count, size_t elem_size, const void* elem, const char* name,
            int32_t line, const char* file);

// ----------------------------------------------------------------- text input

// Reads one line (newline consumed, not stored) into buffer[size], at most
// size - 1 characters, always terminated. Returns 10 at a line end, -1 at end
// of input (or at once, buffer untouched, when the stream's EOF flag is set or
// size < 1), otherwise the character that did not fit (read, not stored).
int readline(FILE* stream, char* buffer, int size);
// Reads the rest of the stream into one zero-terminated heap text in which each
// run of white space is one space and zero bytes vanish. Null for a null stream
// or one already at EOF.
char* readfile(FILE* stream);

// ----------------------------------------------------- log file and formatting

extern FILE* log_file; // the open log, or null

// Opens name (".log" appended when it holds no '.') for appending. 0 or -1.
// A name that with its ".log" is over 999 characters fails like an open that
// failed, with wfopen's warning naming it as it would have been tried.
int logopen(const char* name);
// Closes the log: 0 when none was open, else fclose's result.
int logclose(void);
// Appends "Mmm dd hh:mm: <message>\n" and flushes; warns when no log is open.
void logprintf(const char* format, ...) MYFILE_PRINTF(1, 2);
// Formats into buffer, cut to length - 1 characters and terminated; length is
// clamped to 1..10000.
void lensprintf(char* buffer, int length, const char* format, ...) MYFILE_PRINTF(3, 4);

#endif
