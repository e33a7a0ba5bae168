// Zero-filled blocks, 2D and 3D arrays of separately allocated rows, and arrays
// that grow by one element per call.
#include "internal.h"
#include "myfile.h"
#include "seams.h"

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

void* system_malloc(size_t n) {
  return malloc(n);
}
void* system_realloc(void* p, size_t n) {
  return realloc(p, n);
}
void system_free(void* p) {
  free(p);
}

// %ld cannot show a size above LONG_MAX; such sizes, and products that left
// size_t, are printed as LONG_MAX rather than as a wrapped or negative number.
long shown_size(size_t n) {
  return n > static_cast<size_t>(LONG_MAX) ? LONG_MAX : static_cast<long>(n);
}

size_t saturating_product(size_t a, size_t b) {
  size_t product = 0;
  return __builtin_mul_overflow(a, b, &product) ? SIZE_MAX : product;
}

} // namespace

void* (*myfile_malloc_hook)(size_t n) = system_malloc;
void* (*myfile_realloc_hook)(void* p, size_t n) = system_realloc;
void (*myfile_free_hook)(void* p) = system_free;

void* zmalloc(size_t n) {
  void* block = myfile_malloc_hook(n);
  if (block != nullptr) {
    memset(block, 0, n);
  }
  return block;
}

void free1(void* p) {
  if (p != nullptr) {
    myfile_free_hook(p);
  }
}

void** zmalloc2(size_t rows, size_t row_size) {
  // A total that leaves size_t cannot be held in the address space, so it is
  // refused before any row is made instead of after memory runs out.
  size_t table_bytes = 0;
  size_t total = 0;
  if (__builtin_mul_overflow(rows, sizeof(void*), &table_bytes) ||
      __builtin_mul_overflow(rows, row_size, &total)) {
    return nullptr;
  }
  void** table = static_cast<void**>(myfile_malloc_hook(table_bytes));
  if (table == nullptr) {
    return nullptr;
  }
  for (size_t i = 0; i < rows; ++i) {
    table[i] = zmalloc(row_size);
    if (table[i] == nullptr) {
      free2(table, i); // rows 0 .. i-1 and the table itself
      return nullptr;
    }
  }
  return table;
}

void free2(void** a, size_t rows) {
  if (a == nullptr) {
    return;
  }
  for (size_t i = 0; i < rows; ++i) {
    free1(a[i]);
  }
  free1(a);
}

void*** zmalloc3(size_t planes, size_t rows, size_t row_size) {
  size_t table_bytes = 0;
  size_t plane_bytes = 0;
  size_t total = 0;
  if (__builtin_mul_overflow(planes, sizeof(void**), &table_bytes) ||
      __builtin_mul_overflow(rows, row_size, &plane_bytes) ||
      __builtin_mul_overflow(planes, plane_bytes, &total)) {
    return nullptr;
  }
  void*** table = static_cast<void***>(myfile_malloc_hook(table_bytes));
  if (table == nullptr) {
    return nullptr;
  }
  for (size_t k = 0; k < planes; ++k) {
    table[k] = zmalloc2(rows, row_size);
    if (table[k] == nullptr) {
      free3(table, k, rows); // planes 0 .. k-1 and the table itself
      return nullptr;
    }
  }
  return table;
}

void free3(void*** a, size_t planes, size_t rows) {
  if (a == nullptr) {
    return;
  }
  for (size_t k = 0; k < planes; ++k) {
    free2(a[k], rows);
  }
  free1(a);
}

void* zrealloc(void* p, size_t old_size, size_t add) {
  size_t total = 0;
  if (__builtin_add_overflow(old_size, add, &total)) {
    return nullptr;
  }
  void* block = nullptr;
  if (p == nullptr) {
    block = myfile_malloc_hook(total);
  } else {
    // glibc's realloc to 0 bytes releases p and answers null, which would read
    // as a failure that left p valid; one byte keeps p alive on either outcome.
    block = myfile_realloc_hook(p, total == 0 ? 1 : total);
  }
  if (block == nullptr) {
    return nullptr; // p, if any, is untouched and still the caller's
  }
  // Without an earlier block every byte is new, old_size ones included.
  const size_t kept = p == nullptr ? 0 : old_size;
  memset(static_cast<char*>(block) + kept, 0, total - kept);
  return block;
}

void* zadd(void* a, size_t count, size_t elem_size, const void* elem) {
  size_t offset = 0; // bytes before the new element
  void* block = nullptr;
  if (count == 0 || a == nullptr) {
    block = zmalloc(elem_size); // a, if any, stays the caller's
  } else {
    if (__builtin_mul_overflow(count, elem_size, &offset)) {
      return nullptr;
    }
    // An element that is one of the array's own would be read from the old
    // block, which realloc may have moved and freed: it is read from the
    // same offset of the grown block instead, which keeps those bytes.
    const auto from = reinterpret_cast<uintptr_t>(elem);
    const auto start = reinterpret_cast<uintptr_t>(a);
    const bool inside = from >= start && from - start < offset;
    block = zrealloc(a, offset, elem_size);
    if (block != nullptr && inside) {
      elem = static_cast<const char*>(block) + (from - start);
    }
  }
  if (block == nullptr) {
    return nullptr;
  }
  if (elem_size > 0) {
    memmove(static_cast<char*>(block) + offset, elem, elem_size);
  }
  return block;
}

void* ezmalloc(size_t n, const char* name, int32_t line, const char* file) {
  void* block = zmalloc(n);
  if (block == nullptr) {
    store_location(line, file);
    my_error("can't allocate %ld bytes for 1D array %s", shown_size(n), name);
  }
  return block;
}

void** ezmalloc2(size_t rows, size_t row_size, const char* name, int32_t line, const char* file) {
  void** table = zmalloc2(rows, row_size);
  if (table == nullptr) {
    store_location(line, file);
    my_error("can't allocate %ld bytes for 2D array %s",
             shown_size(saturating_product(rows, row_size)), name);
  }
  return table;
}

void*** ezmalloc3(size_t planes, size_t rows, size_t row_size, const char* name, int32_t line,
                  const char* file) {
  void*** table = zmalloc3(planes, rows, row_size);
  if (table == nullptr) {
    store_location(line, file);
    my_error("can't allocate %ld bytes for 3D array %s",
             shown_size(saturating_product(planes, saturating_product(rows, row_size))), name);
  }
  return table;
}

void* ezrealloc(void* p, size_t old_size, size_t add, const char* name, int32_t line,
                const char* file) {
  void* block = zrealloc(p, old_size, add);
  if (block == nullptr) {
    store_location(line, file);
    my_error("can't allocate %ld more bytes for array %s (prev %ld bytes)", shown_size(add), name,
             shown_size(old_size));
  }
  return block;
}

void* ezadd(void* a, size_t count, size_t elem_size, const void* elem, const char* name,
            int32_t line, const char* file) {
  void* block = zadd(a, count, elem_size, elem);
  if (block == nullptr) {
    store_location(line, file);
    // The count as passed, also where zadd took it as 0 for a null array.
    my_error("can't allocate %ld more bytes for array %s (prev %ld bytes)", shown_size(elem_size),
             name, shown_size(saturating_product(count, elem_size)));
  }
  return block;
}
