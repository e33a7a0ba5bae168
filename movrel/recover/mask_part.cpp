#include "mask_part.h"

#include "wipe.h"

#include <cstring>

namespace {

// Lane tables kept for all lengths together; beyond it a table is made for
// the word at hand and dropped (only masks with many large classes reach it).
constexpr size_t kTableBudget = size_t{32} << 20;

// A table of at most one batch of candidates in a single row is copied into
// the batch; a larger one runs through the kernel row by row.
constexpr uint64_t kCopiedTable = LaneBatch::kLanes;

uint64_t product(const std::vector<std::string>& sets, size_t from, size_t to) {
  uint64_t count = 1;
  for (size_t i = from; i < to; ++i) {
    count *= sets[i].size();
  }
  return count;
}

} // namespace

MaskPart::MaskPart() {
  auto space = std::make_unique<Space>();
  space->count = 1;
  spaces_.push_back(std::move(space));
}

MaskPart::MaskPart(const ParsedMask& mask, bool increment, size_t shortest, size_t longest)
    : size_(0), wordOnly_(false) {
  for (const MaskPattern& form : mask.forms) {
    const size_t all = form.positions.size();
    const size_t last = increment && longest < all ? longest : all;
    for (size_t length = increment ? shortest : all; length <= last && fits_; ++length) {
      auto space = std::make_unique<Space>();
      const size_t before = form.wordAt < length ? form.wordAt : length;
      for (size_t i = 0; i < length; ++i) {
        (i < before ? space->prefix : space->suffix).push_back(form.positions[i]);
      }
      space->base = size_;
      space->count = 1;
      for (size_t i = 0; i < length && fits_; ++i) {
        fits_ = !__builtin_mul_overflow(space->count, form.positions[i].size(), &space->count);
      }
      fits_ = fits_ && !__builtin_add_overflow(size_, space->count, &size_);
      spaces_.push_back(std::move(space));
    }
  }
}

MaskPart::~MaskPart() {
  for (const auto& space : spaces_) {
    for (const auto& table : space->tables) {
      delete table.load();
    }
  }
}

const MaskSpace& MaskPart::table(const Space& space, size_t n, uint64_t& repeat,
                                 std::unique_ptr<MaskSpace>& spare) const {
  const size_t prefix = space.prefix.size();
  const size_t word = n < kKeyBytes - prefix ? n : kKeyBytes - prefix;
  const size_t room = kKeyBytes - prefix - word;
  const size_t suffix = space.suffix.size() < room ? space.suffix.size() : room;
  repeat = product(space.suffix, suffix, space.suffix.size());
  const MaskSpace* kept = space.tables[word].load(std::memory_order_acquire);
  if (kept != nullptr) {
    return *kept;
  }
  std::vector<std::string> positions = space.prefix;
  positions.insert(positions.end(), word, std::string(1, '\0'));
  for (size_t i = 0; i < suffix; ++i) {
    positions.push_back(space.suffix[i]);
  }
  const size_t length = positions.size();
  auto made = std::make_unique<MaskSpace>(std::move(positions), length);
  std::lock_guard<std::mutex> lock(tablesMutex_);
  kept = space.tables[word].load(std::memory_order_acquire);
  if (kept != nullptr) {
    return *kept;
  }
  if (tableBytes_ + made->table_bytes() > kTableBudget) {
    spare = std::move(made);
    return *spare;
  }
  tableBytes_ += made->table_bytes();
  kept = made.release();
  const_cast<Space&>(space).tables[word].store(kept, std::memory_order_release);
  return *kept;
}

size_t MaskPart::compose(const unsigned char* word, size_t n, uint64_t j,
                         unsigned char chars[kKeyBytes]) const {
  const Space* space = spaces_.front().get();
  for (const auto& candidate : spaces_) {
    if (j - candidate->base < candidate->count) {
      space = candidate.get();
    }
  }
  uint64_t value = j - space->base;
  const size_t p = space->prefix.size();
  const size_t q = space->suffix.size();
  unsigned char digits[2 * kKeyBytes] = {};
  for (size_t i = p + q; i > 0; --i) {
    const std::string& set = i > p ? space->suffix[i - 1 - p] : space->prefix[i - 1];
    digits[i - 1] = static_cast<unsigned char>(set[value % set.size()]);
    value /= set.size();
  }
  memset(chars, 0, kKeyBytes);
  memcpy(chars, digits, p);
  const size_t w = n < kKeyBytes - p ? n : kKeyBytes - p;
  memcpy(chars + p, word, w);
  const size_t s = q < kKeyBytes - p - w ? q : kKeyBytes - p - w;
  memcpy(chars + p + w, digits + p, s);
  secure_wipe(digits, sizeof digits);
  return p + w + s;
}

uint64_t MaskPart::search(const unsigned char* word, size_t n, uint64_t from, uint64_t to,
                          uint64_t base, Trial& trial) const {
  LaneBatch& batch = *trial.batch;
  uint64_t found = kNoIndex;
  uint16_t extra[kCandidateWords];
  for (const auto& space : spaces_) {
    const uint64_t a = (from > space->base ? from : space->base) - space->base;
    const uint64_t b =
        (to - space->base < space->count ? to : space->base + space->count) - space->base;
    if (to <= space->base || a >= b) {
      continue;
    }
    uint64_t repeat = 1;
    std::unique_ptr<MaskSpace> spare;
    const MaskSpace& table = this->table(*space, n, repeat, spare);
    // The word alone in its place, the mask positions zero.
    unsigned char placed[kKeyBytes] = {};
    const size_t p = space->prefix.size();
    const size_t w = n < kKeyBytes - p ? n : kKeyBytes - p;
    memcpy(placed + p, word, w);
    const size_t kept =
        space->suffix.size() < kKeyBytes - p - w ? space->suffix.size() : kKeyBytes - p - w;
    candidate_words(placed, p + w + kept, extra);
    secure_wipe(placed, sizeof placed);
    const uint64_t first = a / repeat;
    const uint64_t last = (b - 1) / repeat + 1;
    const uint64_t numbered = base + space->base;
    size_t stride = 0;
    const uint16_t* rows = table.single_row(stride);
    if (rows != nullptr && table.size() <= kCopiedTable) {
      for (uint64_t t = first; t < last && found == kNoIndex;) {
        const size_t k = static_cast<size_t>(last - t < batch.room() ? last - t : batch.room());
        for (size_t r = 0; r < kCandidateWords; ++r) {
          uint16_t* out = batch.row(r);
          const uint16_t* in = rows + r * stride + t;
          for (size_t i = 0; i < k; ++i) {
            out[i] = static_cast<uint16_t>(in[i] ^ extra[r]);
          }
        }
        uint64_t* numbers = batch.indexes();
        for (size_t i = 0; i < k; ++i) {
          const uint64_t j = (t + i) * repeat;
          numbers[i] = numbered + (j > a ? j : a);
        }
        batch.commit_rows(k);
        t += k;
        if (batch.room() == 0) {
          found = batch.run(trial.path, trial.check, trial.confirm);
        }
      }
    } else {
      if (batch.size() > 0) {
        found = batch.run(trial.path, trial.check, trial.confirm);
      }
      for (uint64_t t = first; t < last && found == kNoIndex;) {
        const uint64_t hit = table.first_match(trial.path, t, last, trial.check, extra);
        if (hit >= last) {
          break;
        }
        const uint64_t j = hit * repeat;
        if (trial.confirm(numbered + (j > a ? j : a))) {
          found = numbered + (j > a ? j : a);
        }
        t = hit + 1;
      }
    }
    if (found != kNoIndex) {
      break;
    }
  }
  secure_wipe(extra, sizeof extra);
  return found;
}
