#include "userkey.h"

void getuserkeyfromargv(uint16_t key[8], const char* text) {
  const unsigned char* c = reinterpret_cast<const unsigned char*>(text);
  size_t n = 0;
  while (n < 16 && c[n] != 0) {
    ++n;
  }
  fold_password(key, c, n);
}

// Stopping at i = n is stopping at the NUL, which is character n. The second
// pass chains through the word it has just updated: the high byte of the new
// key[i-1] is c(i-1)^c(i+7), so XOR-ing it into key[i]'s low byte, which held
// c(i-1), leaves c(i+7) alone there. Stored check values depend on this exact
// folding, length-dependent stops included.
void fold_password(uint16_t key[8], const unsigned char* c, size_t n) {
  for (int i = 0; i < 8; ++i) {
    key[i] = 0;
  }
  if (n == 0) {
    return;
  }
  key[0] = static_cast<uint16_t>(c[0] << 8);
  for (size_t i = 1; i < 8; ++i) {
    if (i >= n) {
      return;
    }
    key[i] = static_cast<uint16_t>((c[i] << 8) | (key[i - 1] >> 8));
  }
  if (n <= 8) {
    return;
  }
  key[0] = static_cast<uint16_t>(key[0] ^ (c[8] << 8));
  for (size_t i = 1; i < 8; ++i) {
    if (i + 8 >= n) {
      return;
    }
    key[i] = static_cast<uint16_t>(key[i] ^ ((c[i + 8] << 8) | (key[i - 1] >> 8)));
  }
}
