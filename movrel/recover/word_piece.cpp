#include "word_piece.h"

#include "wipe.h"

#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// A unit of lines holds about this many bytes for the word alone, and a
// share of it for each candidate of a mask part.
constexpr size_t kUnitBytes = size_t{64} << 10;

// A line with more candidates than this is split into units of this many.
constexpr uint64_t kLineChunk = uint64_t{1} << 20;

// After the line end at or past at, or end.
size_t after_line(const char* text, size_t at, size_t end) {
  const void* found = memchr(text + at, '\n', end - at);
  return found == nullptr ? end : static_cast<size_t>(static_cast<const char*>(found) - text) + 1;
}

// The line at at without its line end ("\n", and a "\r" before it).
size_t line_length(const char* text, size_t at, size_t next) {
  size_t length = next - at;
  if (length > 0 && text[at + length - 1] == '\n') {
    --length;
  }
  if (length > 0 && text[at + length - 1] == '\r') {
    --length;
  }
  return length;
}

} // namespace

WordCount count_words(const char* text, size_t n) {
  WordCount count;
  size_t i = 0;
  bool plain = true;
#if defined(__SSE2__)
  // 16 bytes at a time: each line end subtracts -1 from its byte of a
  // running vector, summed into the count (psadbw) before a byte can wrap;
  // the bytes are OR-ed together to see whether any is above 0x7F.
  const __m128i newline = _mm_set1_epi8('\n');
  __m128i seen = _mm_setzero_si128();
  while (n - i >= 16) {
    __m128i sums = _mm_setzero_si128();
    for (size_t round = 0; round < 255 && n - i >= 16; ++round, i += 16) {
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
      sums = _mm_sub_epi8(sums, _mm_cmpeq_epi8(bytes, newline));
      seen = _mm_or_si128(seen, bytes);
    }
    const __m128i total = _mm_sad_epu8(sums, _mm_setzero_si128());
    count.lines += static_cast<uint64_t>(_mm_cvtsi128_si32(total)) +
                   static_cast<uint64_t>(_mm_cvtsi128_si32(_mm_srli_si128(total, 8)));
  }
  plain = _mm_movemask_epi8(seen) == 0;
#endif
  for (; i < n; ++i) {
    count.lines += text[i] == '\n' ? 1 : 0;
    plain = plain && (text[i] & 0x80) == 0;
  }
  if (n > 0 && text[n - 1] != '\n') {
    ++count.lines;
  }
  // Only a line with a byte above 0x7F can have two forms.
  for (size_t at = 0; !plain && at < n;) {
    const size_t next = after_line(text, at, n);
    count.extraForms += word_form_count(text + at, line_length(text, at, next)) - 1;
    at = next;
  }
  return count;
}

bool count_wordlist(const std::string& path, WordCount& count, Fingerprint& print,
                    std::string& error) {
  WordlistReader reader;
  if (!reader.open(path, error)) {
    return false;
  }
  count = WordCount();
  // Every byte read is in some block: a line cut short (one longer than a
  // block) goes into the fingerprint whole.
  FingerprintMaker maker;
  reader.on_bytes([&maker](const char* bytes, size_t n) { maker.add(bytes, n); });
  while (const std::shared_ptr<TextBlock> block = reader.next_block(error)) {
    const WordCount more = count_words(block->bytes, block->size);
    count.lines += more.lines;
    count.extraForms += more.extraForms;
  }
  print = maker.result();
  return error.empty();
}

WordPiece::WordPiece(uint64_t base, const MaskPart& part, uint64_t size, size_t blockBytes)
    : Piece(base), part_(part), reader_(blockBytes), size_(size), index_(base) {}

bool WordPiece::cut(const Scope& scope, Unit& unit) {
  if (block_ == nullptr || pos_ >= block_->size) {
    block_ = reader_.next_block(error_);
    pos_ = 0;
    if (block_ == nullptr) {
      return false;
    }
  }
  const char* text = block_->bytes;
  const uint64_t each = part_.size();
  unit = Unit();
  unit.block = block_;
  unit.from = pos_;
  unit.line = line_;
  unit.lineStart = index_;
  uint64_t count = 0;
  if (each <= kLineChunk / 2) {
    const size_t want = kUnitBytes / each > 0 ? kUnitBytes / each : 1;
    unit.to =
        after_line(text, block_->size - pos_ > want ? pos_ + want : block_->size - 1, block_->size);
    const WordCount words = count_words(text + pos_, unit.to - pos_);
    line_ += words.lines;
    if (__builtin_mul_overflow(words.lines + words.extraForms, each, &count)) {
      error_ = "the attack has more than 2^64 - 1 candidates";
      return false;
    }
    unit.begin = index_;
    unit.end = index_ + count;
  } else {
    unit.to = after_line(text, pos_, block_->size);
    const uint64_t forms = word_form_count(text + pos_, line_length(text, pos_, unit.to));
    if (__builtin_mul_overflow(forms, each, &count)) {
      error_ = "the attack has more than 2^64 - 1 candidates";
      return false;
    }
    // Lines of other shards, and what lies below the scope, are passed over.
    const uint64_t below = scope.lo > index_ ? scope.lo - index_ : 0;
    if (line_ % scope.count != scope.pick || below >= count) {
      partial_ = count;
    } else if (below > partial_) {
      partial_ = below;
    }
    unit.begin = index_ + partial_;
    partial_ = count - partial_ > kLineChunk ? partial_ + kLineChunk : count;
    unit.end = index_ + partial_;
    if (partial_ < count) {
      return true; // more of this line to come
    }
    partial_ = 0;
    ++line_;
  }
  pos_ = unit.to;
  if (__builtin_add_overflow(index_, count, &index_)) {
    error_ = "the attack has more than 2^64 - 1 candidates";
    return false;
  }
  return true;
}

bool WordPiece::next(const Scope& scope, Unit& unit) {
  while (!finished_) {
    if (!cut(scope, unit)) {
      finished_ = true;
      // The end of the list, unless the search stopped reading it.
      if (!reader_.interrupted() && error_.empty()) {
        size_ = index_ - base();
      }
      break;
    }
    if (unit.begin >= scope.hi) {
      finished_ = true;
      reader_.interrupt();
      break;
    }
    unit.begin = unit.begin > scope.lo ? unit.begin : scope.lo;
    unit.end = unit.end < scope.hi ? unit.end : scope.hi;
    if (unit.begin < unit.end) {
      return true;
    }
  }
  return false;
}

uint64_t WordPiece::search(const Unit& unit, Trial& trial, uint64_t& tried) const {
  LaneBatch& batch = *trial.batch;
  const char* text = unit.block->bytes;
  const Scope& scope = trial.scope;
  uint64_t found = kNoIndex;
  if (part_.word_only()) {
    LineWalk walk;
    walk.text = text;
    walk.at = unit.from;
    walk.to = unit.to;
    walk.index = unit.lineStart;
    walk.begin = unit.begin;
    walk.end = unit.end;
    walk.shardCount = scope.count;
    walk.shardPick = scope.pick;
    walk.phase = unit.line % scope.count;
    while (found == kNoIndex && walk.at < walk.to && walk.index < walk.end) {
      fold_lines(walk, batch);
      found = batch.run(trial.path, trial.check, trial.confirm);
    }
    tried += walk.tried;
    return found;
  }
  const uint64_t each = part_.size();
  uint64_t index = unit.lineStart;
  uint64_t line = unit.line;
  WordForms forms;
  for (size_t at = unit.from; at < unit.to && index < unit.end && found == kNoIndex; ++line) {
    const size_t next = after_line(text, at, unit.to);
    word_forms(text + at, line_length(text, at, next), forms);
    for (size_t f = 0; f < forms.count && found == kNoIndex; ++f, index += each) {
      const uint64_t from = unit.begin > index ? unit.begin - index : 0;
      const uint64_t to = unit.end - index < each ? unit.end - index : each;
      if (line % scope.count == scope.pick && unit.end > index && from < to) {
        found = part_.search(forms.bytes[f], forms.length[f], from, to, index, trial);
        tried += to - from;
      }
    }
    at = next;
  }
  secure_wipe(&forms, sizeof forms);
  if (found == kNoIndex && batch.size() > 0) {
    found = batch.run(trial.path, trial.check, trial.confirm);
  }
  return found;
}

size_t WordPiece::candidate(const Unit& unit, uint64_t index, unsigned char chars[16]) const {
  const char* text = unit.block->bytes;
  const uint64_t each = part_.size();
  uint64_t start = unit.lineStart;
  WordForms forms;
  size_t length = 0;
  for (size_t at = unit.from; at < unit.to;) {
    const size_t next = after_line(text, at, unit.to);
    word_forms(text + at, line_length(text, at, next), forms);
    if (index - start < forms.count * each) {
      const size_t f = static_cast<size_t>((index - start) / each);
      length = part_.word_only()
                   ? forms.length[f]
                   : part_.compose(forms.bytes[f], forms.length[f], (index - start) % each, chars);
      if (part_.word_only()) {
        memcpy(chars, forms.bytes[f], kKeyBytes);
      }
      break;
    }
    start += forms.count * each;
    at = next;
  }
  secure_wipe(&forms, sizeof forms);
  return length;
}
