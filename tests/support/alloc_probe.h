// A stand-in for the allocator behind myfile's arrays and readfile: records
// every request, can refuse a chosen one, hands out bytes of 0xA5 (so a
// missing zero fill shows) and tracks live blocks (so a leak shows).
#ifndef MOVREL_TESTS_SUPPORT_ALLOC_PROBE_H
#define MOVREL_TESTS_SUPPORT_ALLOC_PROBE_H

#include "seams.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <vector>

namespace alloc_probe {

inline std::vector<size_t> requests; // sizes asked of malloc and realloc, in order
inline size_t refused = 0;           // 1-based request that gets null; 0: none
// Never destroyed: a fatal report exits with blocks still out, and they must
// stay reachable for the leak checker of the sanitizer build.
inline std::map<void*, size_t>& live = *new std::map<void*, size_t>;

inline void* probe_malloc(size_t n) {
  requests.push_back(n);
  if (requests.size() == refused) {
    return nullptr;
  }
  void* p = malloc(n == 0 ? 1 : n);
  memset(p, 0xA5, n);
  live[p] = n;
  return p;
}

inline void probe_free(void* p) {
  live.erase(p);
  free(p);
}

// Always moves the block, so that a stale address would be caught.
inline void* probe_realloc(void* p, size_t n) {
  void* q = probe_malloc(n);
  if (q != nullptr) {
    memcpy(q, p, std::min(live.at(p), n));
    probe_free(p);
  }
  return q;
}

// Installs the probe for one scope, then puts the platform's functions back.
struct Scope {
  explicit Scope(size_t refuse = 0) {
    requests.clear();
    live.clear();
    refused = refuse;
    myfile_malloc_hook = probe_malloc;
    myfile_realloc_hook = probe_realloc;
    myfile_free_hook = probe_free;
  }
  ~Scope() {
    myfile_malloc_hook = saved_malloc;
    myfile_realloc_hook = saved_realloc;
    myfile_free_hook = saved_free;
  }
  void* (*saved_malloc)(size_t) = myfile_malloc_hook;
  void* (*saved_realloc)(void*, size_t) = myfile_realloc_hook;
  void (*saved_free)(void*) = myfile_free_hook;
};

// Runs call with the given request refused: for death tests.
inline void refusing(size_t refuse, void (*call)()) {
  Scope probe(refuse);
  call();
}

} // namespace alloc_probe

#endif
