#include "attack.h"

#include "mask_piece.h"
#include "word_piece.h"

#include "shard.h"

#include <cstdlib>
#include <sys/stat.h>

uint64_t Attack::size() const {
  uint64_t total = 0;
  for (const auto& piece : pieces) {
    if (piece->size() == kUnknownSize || __builtin_add_overflow(total, piece->size(), &total)) {
      return kUnknownSize;
    }
  }
  return total;
}

size_t Attack::stage_of(size_t piece) const {
  size_t stage = 0;
  while (stage + 1 < stages.size() && stages[stage + 1].firstPiece <= piece) {
    ++stage;
  }
  return stage;
}

uint64_t Attack::stage_size(size_t stage) const {
  const size_t end = stage + 1 < stages.size() ? stages[stage + 1].firstPiece : pieces.size();
  uint64_t total = 0;
  for (size_t i = stages[stage].firstPiece; i < end; ++i) {
    if (pieces[i]->size() == kUnknownSize ||
        __builtin_add_overflow(total, pieces[i]->size(), &total)) {
      return kUnknownSize;
    }
  }
  return total;
}

uint64_t Attack::scope_size(const Scope& scope) const {
  uint64_t total = 0;
  for (const auto& piece : pieces) {
    const uint64_t size = piece->size();
    if (size == kUnknownSize) {
      return kUnknownSize;
    }
    // A mask's slice, or all of a wordlist: its lines are shared out below.
    const bool mask = dynamic_cast<const MaskPiece*>(piece.get()) != nullptr;
    const IndexRange slice =
        mask ? shard_range(size, scope.pick + 1, scope.count) : IndexRange{0, size};
    const uint64_t lo =
        piece->base() + slice.begin > scope.lo ? piece->base() + slice.begin : scope.lo;
    const uint64_t hi = piece->base() + slice.end < scope.hi ? piece->base() + slice.end : scope.hi;
    const uint64_t inside = hi > lo ? hi - lo : 0;
    total += mask ? inside : inside / scope.count;
  }
  return total;
}

namespace {

bool fail(std::string& error, const std::string& message) {
  error = message;
  return false;
}

// A regular file is counted before the search, so that its size is known.
bool is_regular_file(const std::string& path) {
  struct stat info {};
  return path != "-" && stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

} // namespace

bool add_attack(const AttackOptions& options, const std::string& title, Attack& attack,
                std::string& error) {
  const uint64_t base = attack.size();
  if (base == kUnknownSize) {
    return fail(error, "the attack has more than 2^64 - 1 candidates");
  }
  ParsedMask mask;
  if (options.hasMask && !parse_mask(options.mask, mask, error)) {
    return false;
  }
  attack.lowerFolded = attack.lowerFolded || mask.lowerFolded;
  const bool words = !options.wordlist.empty();
  const bool slot = options.hasMask && mask.forms.front().wordAt != kNoWord;
  if (words && options.hasMask && !slot) {
    return fail(error, "with --wordlist, the mask says where the word goes with ?w "
                       "(?w?d?d: the word and two digits)");
  }
  if (!words && slot) {
    return fail(error, "?w stands for each word of a --wordlist, and none is given");
  }
  size_t longestForm = 0;
  for (const MaskPattern& form : mask.forms) {
    longestForm = form.positions.size() > longestForm ? form.positions.size() : longestForm;
  }
  const uint64_t shortest = options.hasIncrementMin ? options.incrementMin : 0;
  const uint64_t longest = options.hasIncrementMax ? options.incrementMax : longestForm;
  if (shortest > longest) {
    return fail(error, "--increment-min " + std::to_string(shortest) +
                           " is more than --increment-max " + std::to_string(longest));
  }
  if (shortest > longestForm) {
    return fail(error, "--increment-min " + std::to_string(shortest) + " is more than the " +
                           std::to_string(longestForm) + " positions of the mask");
  }
  const size_t first = attack.pieces.size();
  if (words) {
    auto part = options.hasMask
                    ? std::make_unique<MaskPart>(mask, options.increment, shortest, longest)
                    : std::make_unique<MaskPart>();
    if (!part->fits()) {
      return fail(error, "the mask has more than 2^64 - 1 candidates");
    }
    if (part->size() == 0) {
      return fail(error, "no length of the mask lies between --increment-min and --increment-max");
    }
    uint64_t size = kUnknownSize;
    if (is_regular_file(options.wordlist)) {
      WordCount count;
      FileFingerprint file;
      if (!count_wordlist(options.wordlist, count, file.print, error)) {
        return false;
      }
      uint64_t forms = 0;
      uint64_t end = 0;
      if (__builtin_add_overflow(count.lines, count.extraForms, &forms) ||
          __builtin_mul_overflow(forms, part->size(), &size) ||
          __builtin_add_overflow(base, size, &end)) {
        return fail(error, "the attack has more than 2^64 - 1 candidates");
      }
      char* absolute = realpath(options.wordlist.c_str(), nullptr);
      file.path = absolute != nullptr ? absolute : options.wordlist;
      free(absolute);
      attack.wordlists.push_back(file);
    }
    auto piece = std::make_unique<WordPiece>(base, *part, size);
    if (!piece->open(options.wordlist, error)) {
      return false;
    }
    attack.parts.push_back(std::move(part));
    attack.pieces.push_back(std::move(piece));
  } else {
    uint64_t at = base;
    for (const MaskPattern& form : mask.forms) {
      const size_t all = form.positions.size();
      const size_t last = options.increment && longest < all ? static_cast<size_t>(longest) : all;
      if (options.increment && shortest > last) {
        continue;
      }
      std::vector<std::string> positions = form.positions;
      positions.resize(last);
      auto piece = std::make_unique<MaskPiece>(
          at, std::move(positions), options.increment ? static_cast<size_t>(shortest) : last);
      if (!piece->fits() || __builtin_add_overflow(at, piece->size(), &at)) {
        return fail(error, "the mask " + options.mask.mask + " has more than 2^64 - 1 candidates");
      }
      attack.pieces.push_back(std::move(piece));
    }
  }
  if (attack.stages.empty() || attack.stages.back().title != title) {
    attack.stages.push_back({title, first});
  }
  return true;
}
