#include "word_forms.h"

#include "palm_charset.h"
#include "wipe.h"

#include <cstring>

namespace {

// Enough UTF-8 for 16 characters of the Palm set (3 bytes at most each),
// and one more character to stop at a boundary.
constexpr size_t kUtf8Window = 64;

void upper_cut(const char* bytes, size_t n, unsigned char out[kKeyBytes], size_t& length) {
  length = n < kKeyBytes ? n : kKeyBytes;
  memset(out, 0, kKeyBytes);
  for (size_t i = 0; i < length; ++i) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    out[i] = c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - ('a' - 'A')) : c;
  }
}

} // namespace

void word_forms(const char* line, size_t n, WordForms& forms) {
  const void* zero = memchr(line, 0, n);
  if (zero != nullptr) {
    n = static_cast<size_t>(static_cast<const char*>(zero) - line);
  }
  forms.count = 0;
  bool high = false;
  for (size_t i = 0; i < n && i < kUtf8Window && !high; ++i) {
    high = (line[i] & 0x80) != 0;
  }
  if (high) {
    // Only the first 16 characters count: decode a window of them, cut
    // where a character begins.
    size_t window = n < kUtf8Window ? n : kUtf8Window;
    while (window < n && window > 0 && (line[window] & 0xC0) == 0x80) {
      --window;
    }
    char palm[kUtf8Window];
    const size_t length = palm_from_utf8(line, window, palm);
    if (length != SIZE_MAX) {
      upper_cut(palm, length, forms.bytes[0], forms.length[0]);
      forms.count = 1;
    }
    secure_wipe(palm, sizeof palm);
  }
  upper_cut(line, n, forms.bytes[forms.count], forms.length[forms.count]);
  const bool same = forms.count == 1 && forms.length[0] == forms.length[1] &&
                    memcmp(forms.bytes[0], forms.bytes[1], kKeyBytes) == 0;
  forms.count += same ? 0 : 1;
}

size_t word_form_count(const char* line, size_t n) {
  WordForms forms;
  word_forms(line, n, forms);
  const size_t count = forms.count;
  secure_wipe(&forms, sizeof forms);
  return count;
}
