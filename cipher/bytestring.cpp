#include "bytestring.h"

#include <cstring>

#include "ecb.h"
#include "idea.h"
#include "wipe.h"

// The schedules and the partial blocks are the key and plaintext: both
// functions wipe them, and the kernels' spill slots, before returning, so no
// copy stays behind on the stack.

void cipher_string(const uint8_t* in, uint8_t* out, const uint16_t key[8], int32_t length) {
  cipher_string_on(ecb_best_path(), in, out, key, length);
}

void decipher_string(const uint8_t* in, uint8_t* out, const uint16_t key[8], int32_t length) {
  decipher_string_on(ecb_best_path(), in, out, key, length);
}

void decipher_schedule(const uint16_t key[8], uint16_t D[52]) {
  en_key_idea(key, D);
  de_key_idea(D, D);
}

void decipher_blocks(const uint8_t* in, uint8_t* out, size_t blocks, const uint16_t D[52]) {
  idea_ecb_blocks(in, out, blocks, D);
}

void cipher_string_on(EcbPath path, const uint8_t* in, uint8_t* out, const uint16_t key[8],
                      int32_t length) {
  if (length <= 0) {
    return;
  }
  size_t whole = static_cast<size_t>(length) / 8;
  size_t tail = static_cast<size_t>(length) % 8;
  uint16_t Z[52];
  en_key_idea(key, Z);
  idea_ecb_blocks_on(path, in, out, whole, Z);
  if (tail != 0) {
    uint8_t block[8] = {0};
    std::memcpy(block, in + 8 * whole, tail);
    idea_ecb_blocks_on(path, block, out + 8 * whole, 1, Z);
    secure_wipe(block, sizeof block);
  }
  secure_wipe(Z, sizeof Z);
  scrub_stack();
}

void decipher_string_on(EcbPath path, const uint8_t* in, uint8_t* out, const uint16_t key[8],
                        int32_t length) {
  if (length <= 0) {
    return;
  }
  size_t whole = static_cast<size_t>(length) / 8;
  size_t tail = static_cast<size_t>(length) % 8;
  uint16_t D[52];
  decipher_schedule(key, D);
  idea_ecb_blocks_on(path, in, out, whole, D);
  if (tail != 0) {
    uint8_t block[8];
    idea_ecb_blocks_on(path, in + 8 * whole, block, 1, D);
    std::memcpy(out + 8 * whole, block, tail);
    secure_wipe(block, sizeof block);
  }
  secure_wipe(D, sizeof D);
  scrub_stack();
}
