#include "userkey.h"

// The second pass chains through the word it has just updated: the high byte
// of the new key[i-1] is c(i-1)^c(i+7), so XOR-ing it into key[i]'s low byte,
// which held c(i-1), leaves c(i+7) alone there. Stored check values depend on
// this exact folding, length-dependent stops included.
void getuserkeyfromargv(uint16_t key[8], const char* text) {
  const unsigned char* c = reinterpret_cast<const unsigned char*>(text);
  for (int i = 0; i < 8; ++i) {
    key[i] = 0;
  }
  if (c[0] == 0) {
    return;
  }
  key[0] = static_cast<uint16_t>(c[0] << 8);
  for (int i = 1; i < 8; ++i) {
    if (c[i] == 0) {
      return;
    }
    key[i] = static_cast<uint16_t>((c[i] << 8) | (key[i - 1] >> 8));
  }
  if (c[8] == 0) {
    return;
  }
  key[0] = static_cast<uint16_t>(key[0] ^ (c[8] << 8));
  for (int i = 1; i < 8; ++i) {
    if (c[i + 8] == 0) {
      return;
    }
    key[i] = static_cast<uint16_t>(key[i] ^ ((c[i + 8] << 8) | (key[i - 1] >> 8)));
  }
}
