// What a search thread tries candidates with, and what it is restricted to.
#ifndef MOVREL_MOVREL_RECOVER_TRIAL_H
#define MOVREL_MOVREL_RECOVER_TRIAL_H

#include "lane_batch.h"

#include "ecb.h"

#include <cstdint>
#include <functional>

// Candidates lo .. hi - 1 (--skip, --limit, a resumed session), and of
// those, shard pick of count (0-based): of a mask the pick-th of count
// contiguous slices, of a wordlist the lines whose number modulo count is
// pick.
struct Scope {
  uint64_t lo = 0;
  uint64_t hi = UINT64_MAX;
  uint64_t pick = 0;
  uint64_t count = 1;
};

struct Trial {
  EcbPath path = EcbPath::Portable;
  uint16_t check[4] = {};
  Scope scope;
  LaneBatch* batch = nullptr;
  // Whether the candidate of this index is the password (the full check).
  std::function<bool(uint64_t index)> confirm;
};

#endif
