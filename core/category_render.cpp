#include "category_render.h"

#include "bytestring.h"
#include "myfile.h"
#include "wipe.h"
#include "write_all.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {

void put_bytes(TextSink& sink, const char* bytes, size_t n) {
  memcpy(sink.room(n), bytes, n);
  sink.put(n);
}

// The image was written long before its texts are decrypted, so a text comes
// from main memory; the processor's own prefetcher stops at each 4 KiB page.
// Asking for the whole piece first saves about a tenth of the decryption.
constexpr size_t kCacheLine = 64;

void prefetch(const uint8_t* bytes, size_t size) {
  for (size_t offset = 0; offset < size; offset += kCacheLine) {
    __builtin_prefetch(bytes + offset);
  }
}

} // namespace

uint8_t* StreamSink::room(size_t n) {
  roomBytes_ = n;
  return buffer_;
}

void StreamSink::put(size_t n) {
  if (!failed_) {
    failed_ = to_ == To::Stdout ? fwrite(buffer_, 1, n, stdout) != n
                                : !write_all(STDOUT_FILENO, reinterpret_cast<char*>(buffer_), n);
  }
  secure_wipe(buffer_, roomBytes_);
}

void fail_record_past_end(int32_t index) {
  current_src_line = 0;
  current_src_file = "";
  my_error(kRecordPastEndFormat, index);
}

bool render_category(const CategoryRecord& category, const PasswordKey& key, TextSink& sink) {
  static constexpr char kBannerStart[] = "******* ";
  static constexpr char kBannerEnd[] = " *******\n";
  put_bytes(sink, kBannerStart, sizeof kBannerStart - 1);
  put_bytes(sink, category.name, strlen(category.name));
  put_bytes(sink, kBannerEnd, sizeof kBannerEnd - 1);
  if (!key_opens(key, category.check)) {
    return false;
  }
  const uint32_t textLength = category.textLength;
  for (uint32_t done = 0; done < textLength; done += kTextPieceBytes) {
    const uint32_t piece = std::min(textLength - done, kTextPieceBytes);
    // Whole blocks: the last block's bytes past the text are decrypted too,
    // never output, and wiped with the rest of the room.
    const auto blockBytes = static_cast<size_t>(cipher_size(piece));
    uint8_t* plaintext = sink.room(blockBytes);
    prefetch(category.cipherText + done, blockBytes);
    decipher_blocks(category.cipherText + done, plaintext, blockBytes / 8, key.schedule);
    const auto* zero = static_cast<const uint8_t*>(memchr(plaintext, 0, piece));
    sink.put(zero != nullptr ? static_cast<size_t>(zero - plaintext) : piece);
    if (zero != nullptr) {
      break;
    }
  }
  put_bytes(sink, "\n", 1);
  return true;
}
