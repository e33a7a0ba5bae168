#include "lane_batch.h"

#include "lane_fold.h"
#include "word_forms.h"

#include "wipe.h"

#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

LaneBatch::LaneBatch()
    : rows_(kCandidateWords * kStride, 0), bytes_((kLanes + 32) * 16, 0), indexes_(kLanes, 0) {}

LaneBatch::~LaneBatch() {
  // A batch may hold the password sought.
  secure_wipe(rows_.data(), rows_.size() * sizeof(uint16_t));
  secure_wipe(bytes_.data(), bytes_.size());
}

// The words of a candidate of 16 bytes that ends at its first zero byte
// (what follows is cleared first): then "i < n" is c[i] != 0, and the
// folding has a closed form (userkey.h). Key word i is (h, l) with h = c[i] ^ c[i+8], and
// l = c[i+7] where c[i+8] != 0, else c[i-1] where c[i] != 0, else 0; l is 0
// in word 0. Block word j is (c[2j], c[2j+1]).
void LaneBatch::fold_rows(EcbPath path) {
  size_t lane = 0;
#if MOVREL_X86_LANES
  if (path != EcbPath::Portable) {
    memset(&bytes_[count_ * 16], 0, ((count_ + 31) / 32 * 32 - count_) * 16);
    fold_rows_avx2(bytes_.data(), count_, rows_.data(), kStride);
    return;
  }
#else
  (void)path;
#endif
#if defined(__SSE2__)
  // 16 lanes at a time: their bytes transposed into 16 vectors c[p] (byte p
  // of every lane), the words computed lane-wise; lanes past count_ fold the
  // zeros of the spare room into the rows' slack.
  memset(&bytes_[count_ * 16], 0, ((count_ + 15) / 16 * 16 - count_) * 16);
  for (; lane < count_; lane += 16) {
    __m128i c[16];
    __m128i t[16];
    for (size_t k = 0; k < 16; ++k) {
      c[k] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&bytes_[(lane + k) * 16]));
    }
    // Four rounds of interleaving: bytes, then pairs, quadruples, halves.
    for (size_t k = 0; k < 16; k += 2) {
      t[k / 2] = _mm_unpacklo_epi8(c[k], c[k + 1]);
      t[k / 2 + 8] = _mm_unpackhi_epi8(c[k], c[k + 1]);
    }
    for (size_t k = 0; k < 16; k += 2) {
      c[k / 2] = _mm_unpacklo_epi16(t[k], t[k + 1]);
      c[k / 2 + 8] = _mm_unpackhi_epi16(t[k], t[k + 1]);
    }
    for (size_t k = 0; k < 16; k += 2) {
      t[k / 2] = _mm_unpacklo_epi32(c[k], c[k + 1]);
      t[k / 2 + 8] = _mm_unpackhi_epi32(c[k], c[k + 1]);
    }
    for (size_t k = 0; k < 16; k += 2) {
      c[k / 2] = _mm_unpacklo_epi64(t[k], t[k + 1]);
      c[k / 2 + 8] = _mm_unpackhi_epi64(t[k], t[k + 1]);
    }
    // After the four rounds, vector k holds byte position b of every lane
    // for the b whose bits are those of k reversed.
    __m128i b[16];
    for (size_t k = 0; k < 16; ++k) {
      const size_t p = ((k & 1) << 3) | ((k & 2) << 1) | ((k & 4) >> 1) | ((k & 8) >> 3);
      b[p] = c[k];
    }
    const __m128i zero = _mm_setzero_si128();
    // A candidate ends at its first zero byte: what follows is cleared.
    __m128i ended = zero;
    for (size_t p = 0; p < 16; ++p) {
      ended = _mm_or_si128(ended, _mm_cmpeq_epi8(b[p], zero));
      b[p] = _mm_andnot_si128(ended, b[p]);
    }
    auto store = [&](size_t row, __m128i low, __m128i high) {
      uint16_t* out = &rows_[row * kStride + lane];
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi8(low, high));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 8), _mm_unpackhi_epi8(low, high));
    };
    store(0, zero, _mm_xor_si128(b[0], b[8]));
    for (size_t i = 1; i < 8; ++i) {
      const __m128i noSecond = _mm_cmpeq_epi8(b[i + 8], zero);
      const __m128i past = _mm_cmpeq_epi8(b[i], zero);
      const __m128i low = _mm_or_si128(_mm_andnot_si128(noSecond, b[i + 7]),
                                       _mm_and_si128(noSecond, _mm_andnot_si128(past, b[i - 1])));
      store(i, low, _mm_xor_si128(b[i], b[i + 8]));
    }
    for (size_t j = 0; j < 4; ++j) {
      store(8 + j, b[2 * j + 1], b[2 * j]);
    }
  }
#else
  for (; lane < count_; ++lane) {
    uint16_t words[kCandidateWords];
    const unsigned char* chars = &bytes_[lane * 16];
    candidate_words(chars, strnlen(reinterpret_cast<const char*>(chars), 16), words);
    for (size_t w = 0; w < kCandidateWords; ++w) {
      rows_[w * kStride + lane] = words[w];
    }
    secure_wipe(words, sizeof words);
  }
#endif
}

namespace {

// Lines looked at in one go: their ends are found first, 64 bytes at a
// time, so that each line's word is then taken without waiting for the
// previous line's length.
constexpr size_t kLineGroup = 128;

// The offsets from text of the line ends ('\n') in [0, n), at least most of
// them where there are (a few more may come from the last 64 bytes looked
// at): their count. plain is set when no byte looked at is above 0x7F, zero
// or '\r': every line there is one form of itself. Where the processor
// allows, upper also gets the bytes looked at, upper-cased, with each line
// end made a zero byte. Reads up to 63 bytes past n.
size_t line_ends(const char* text, size_t n, uint32_t* ends, size_t most, bool& plain,
                 char* upper) {
  size_t found = 0;
  uint64_t odd = 0;
  for (size_t at = 0; at < n && found < most; at += 64) {
    uint64_t bits = 0;
    uint64_t unusual = 0;
#if defined(__SSE2__)
    const __m128i newline = _mm_set1_epi8('\n');
    const __m128i carriage = _mm_set1_epi8('\r');
    const __m128i zero = _mm_setzero_si128();
    for (size_t k = 0; k < 4; ++k) {
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + at + 16 * k));
      const __m128i ends16 = _mm_cmpeq_epi8(bytes, newline);
      bits |= static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(ends16))) << (16 * k);
      const __m128i strange = _mm_or_si128(
          bytes, _mm_or_si128(_mm_cmpeq_epi8(bytes, zero), _mm_cmpeq_epi8(bytes, carriage)));
      unusual |= static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(strange)))
                 << (16 * k);
      // a-z less 0x20: bytes above 'a' - 1 and below 'z' + 1 (signed, so
      // none above 0x7F).
      const __m128i lower = _mm_and_si128(_mm_cmpgt_epi8(bytes, _mm_set1_epi8('a' - 1)),
                                          _mm_cmplt_epi8(bytes, _mm_set1_epi8('z' + 1)));
      const __m128i folded = _mm_sub_epi8(bytes, _mm_and_si128(lower, _mm_set1_epi8(0x20)));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(upper + at + 16 * k),
                       _mm_andnot_si128(ends16, folded));
    }
#else
    (void)upper;
    for (size_t k = 0; k < 64; ++k) {
      const auto byte = static_cast<unsigned char>(text[at + k]);
      bits |= static_cast<uint64_t>(byte == '\n') << k;
      unusual |= static_cast<uint64_t>(byte == 0 || byte == '\r' || byte >= 0x80) << k;
    }
#endif
    if (n - at < 64) {
      bits &= (uint64_t{1} << (n - at)) - 1;
      unusual &= (uint64_t{1} << (n - at)) - 1;
    }
    odd |= unusual;
    for (; bits != 0; bits &= bits - 1) {
      ends[found++] = static_cast<uint32_t>(at + static_cast<size_t>(__builtin_ctzll(bits)));
    }
  }
  plain = odd == 0;
  return found;
}

#if defined(__SSE2__)
// 16 bytes of 0xFF then 16 of 0: from offset 16 - n, the first n bytes kept.
alignas(16) const unsigned char kKeep[32] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                             0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
#endif

} // namespace

// A line whose word has a zero byte or a byte above 0x7F: its forms.
void fold_forms(const char* line, size_t n, LineWalk& walk, LaneBatch& batch, bool picked) {
  WordForms forms;
  word_forms(line, n, forms);
  for (size_t f = 0; f < forms.count; ++f, ++walk.index) {
    if (picked && walk.index >= walk.begin && walk.index < walk.end) {
      batch.add(forms.bytes[f], walk.index);
      ++walk.tried;
    }
  }
  secure_wipe(&forms, sizeof forms);
}

void fold_lines(LineWalk& walk, LaneBatch& batch) {
  const char* text = walk.text;
  size_t at = walk.at;
  uint64_t index = walk.index;
  uint64_t phase = walk.phase;
  uint64_t tried = walk.tried;
  uint32_t ends[kLineGroup + 64];
  // The bytes looked at, upper-cased, and 16 more that a line may reach.
  alignas(16) char upper[64 * kLineGroup + 64 + 16];
  // The batch's arrays and count in registers while lines are taken.
  unsigned char* const lanes = batch.bytes_.data();
  uint64_t* const numbers = batch.indexes_.data();
  size_t count = batch.count_;
  while (at < walk.to && index < walk.end && LaneBatch::kLanes - count >= 2) {
    // A line of two forms takes two lanes.
    const size_t room = (LaneBatch::kLanes - count) / 2;
    const size_t most = room < kLineGroup ? room : kLineGroup;
    // Long lines are rare: look at enough bytes for most short ones.
    const size_t span = walk.to - at < 64 * most ? walk.to - at : 64 * most;
    bool plain = false;
    size_t lines = line_ends(text + at, span, ends, most, plain, upper);
    lines = lines < most ? lines : most;
#if defined(__SSE2__)
    // The common case, straight: lines of plain bytes, every one tried.
    if (plain && lines > 0 && walk.shardCount == 1 && index >= walk.begin &&
        walk.end - index >= lines) {
      // Each line's 16 bytes as they stand, upper-cased, its line end a
      // zero: what follows the zero (the next lines) is cleared when the
      // batch is folded.
      for (size_t k = 0; k < lines; ++k) {
        const size_t start = k == 0 ? 0 : ends[k - 1] + 1;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(lanes + count * 16),
                         _mm_loadu_si128(reinterpret_cast<const __m128i*>(upper + start)));
        numbers[count++] = index++;
      }
      tried += lines;
      at += ends[lines - 1] + 1;
      continue;
    }
#endif
    if (lines == 0) {
      // One line runs past the span: to the next line end, or to walk.to.
      const void* end = memchr(text + at + span, '\n', walk.to - at - span);
      ends[0] = end != nullptr ? static_cast<uint32_t>(static_cast<const char*>(end) - (text + at))
                               : static_cast<uint32_t>(walk.to - at);
      lines = 1;
    }
    size_t k = 0;
    for (; k < lines && index < walk.end; ++k) {
      const size_t start = at + (k == 0 ? 0 : ends[k - 1] + 1);
      size_t length = at + ends[k] - start;
      length -= length > 0 && text[start + length - 1] == '\r' ? 1 : 0;
      const bool picked = phase == walk.shardPick;
      phase = phase + 1 == walk.shardCount ? 0 : phase + 1;
#if defined(__SSE2__)
      const size_t n = length < 16 ? length : 16;
      __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + start));
      c = _mm_and_si128(c, _mm_loadu_si128(reinterpret_cast<const __m128i*>(kKeep + 16 - n)));
      // A byte above 0x7F, or a zero byte within the word: the slow way.
      const unsigned odd =
          static_cast<unsigned>(_mm_movemask_epi8(c)) |
          (static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(c, _mm_setzero_si128()))) &
           ((1U << n) - 1));
      if (odd == 0) {
        if (picked && index >= walk.begin) {
          // a-z less 0x20: bytes above 'a' - 1 and below 'z' + 1.
          const __m128i lower = _mm_and_si128(_mm_cmpgt_epi8(c, _mm_set1_epi8('a' - 1)),
                                              _mm_cmplt_epi8(c, _mm_set1_epi8('z' + 1)));
          c = _mm_sub_epi8(c, _mm_and_si128(lower, _mm_set1_epi8(0x20)));
          _mm_storeu_si128(reinterpret_cast<__m128i*>(lanes + count * 16), c);
          numbers[count++] = index;
          ++tried;
        }
        ++index;
        continue;
      }
#endif
      batch.count_ = count;
      walk.index = index;
      walk.tried = tried;
      fold_forms(text + start, length, walk, batch, picked);
      count = batch.count_;
      index = walk.index;
      tried = walk.tried;
    }
    at = at + ends[k - 1] + 1 < walk.to ? at + ends[k - 1] + 1 : walk.to;
  }
  batch.count_ = count;
  walk.at = at;
  walk.index = index;
  walk.phase = phase;
  walk.tried = tried;
}
