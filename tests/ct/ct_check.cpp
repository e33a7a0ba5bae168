// The constant-time check, run under valgrind's memcheck with
// --error-exitcode. Every secret is marked undefined: memcheck then reports
// any conditional jump, conditional move or memory address that depends on
// it, and valgrind's exit status fails the test. Results are marked defined
// again only where the tool itself would act on them publicly (whether the
// password was right), or to print them.
//
// What is public, and so stays defined: lengths (of the password, of a
// text), the choice of ECB path, and ciphertext. The password length is
// public because the folding stops at the NUL; finding the NUL is the one
// step not covered here, and everything after it is fold_password, checked
// with its characters secret. valgrind hides AVX-512 from the program, so the
// AVX-512 kernel cannot be run here; it is reported as not covered.
#include <valgrind/memcheck.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "bytestring.h"
#include "ctcompare.h"
#include "ecb.h"
#include "idea.h"
#include "userkey.h"
#include "wipe.h"

namespace {

template <typename T> void secret(T* p, size_t count) {
  VALGRIND_MAKE_MEM_UNDEFINED(p, count * sizeof *p);
}

template <typename T> void declassify(T* p, size_t count) {
  VALGRIND_MAKE_MEM_DEFINED(p, count * sizeof *p);
}

void step(const char* what) {
  std::fprintf(stderr, "ct: %s\n", what);
}

// The longest is 173 whole blocks plus a short tail. On the AVX2 path (the
// widest valgrind runs) that is one run of six 16-block vectors side by side,
// four vectors more, then the portable 8-lane loop and single blocks.
const int32_t kLengths[] = {1, 8, 197, 8 * (4 * 32 + 32 + 8 + 5) + 3};

uint32_t g_sink = 0;

void keep(const uint8_t* p, size_t n) {
  std::vector<uint8_t> copy(p, p + n);
  declassify(copy.data(), copy.size());
  for (uint8_t byte : copy)
    g_sink = g_sink * 31 + byte;
}

void check_arithmetic() {
  step("mul and inv on secret operands, including 0");
  const uint16_t words[] = {0, 1, 2, 0x8000, 0xFFFF, 0x1234};
  for (uint16_t a0 : words) {
    for (uint16_t b0 : words) {
      uint16_t a = a0, b = b0;
      secret(&a, 1);
      secret(&b, 1);
      uint16_t r[2] = {mul(a, b), inv(a)};
      declassify(r, 2);
      g_sink += r[0] + r[1];
    }
  }
}

void check_folding() {
  step("fold_password with secret characters, every length 0..16");
  const char* text = "CORRECTHORSEBATT";
  for (size_t n = 0; n <= 16; ++n) {
    unsigned char chars[16];
    // NOLINTNEXTLINE(bugprone-not-null-terminated-result): characters, not a string
    std::memcpy(chars, text, 16);
    secret(chars, n);
    uint16_t key[8];
    fold_password(key, chars, n);
    keep(reinterpret_cast<const uint8_t*>(key), sizeof key);
  }
}

void check_block_cipher() {
  step("en_key_idea, de_key_idea and cipher_idea on both schedules");
  uint16_t key[8] = {0x0001, 0x0000, 0xFFFF, 0x8000, 0x1234, 0x0000, 0x00FF, 0xABCD};
  secret(key, 8);
  uint16_t Z[52], D[52];
  en_key_idea(key, Z);
  de_key_idea(Z, D);
  uint16_t block[4] = {0x0000, 0x0001, 0xFFFF, 0x7E57};
  secret(block, 4);
  cipher_idea(block, block, Z);
  cipher_idea(block, block, D);
  keep(reinterpret_cast<const uint8_t*>(block), sizeof block);
  secure_wipe(Z, sizeof Z);
  secure_wipe(D, sizeof D);
}

void check_strings(EcbPath path) {
  std::fprintf(stderr, "ct: cipher_string and decipher_string on the %s path\n",
               ecb_path_name(path));
  for (int32_t length : kLengths) {
    auto n = static_cast<size_t>(length);
    std::vector<uint8_t> plain(n), enc(8 * ((n + 7) / 8)), dec(n);
    for (size_t i = 0; i < n; ++i)
      plain[i] = static_cast<uint8_t>(i * 7 % 3 == 0 ? 0 : i);
    uint16_t key[8] = {0x4100, 0x0000, 0x4342, 0xFFFF, 0, 0, 0, 0x0001};
    secret(key, 8);
    secret(plain.data(), plain.size());
    cipher_string_on(path, plain.data(), enc.data(), key, length);
    // Ciphertext is public; decryption must not branch on the key either.
    declassify(enc.data(), enc.size());
    decipher_string_on(path, enc.data(), dec.data(), key, length);
    keep(dec.data(), dec.size());
  }
}

// The tool's password check: fold the zeroed 17-byte password buffer, encrypt
// its first 8 bytes, compare with the stored check value, decrypt on a match.
void check_password_flow() {
  step("password check: folding, check block, comparison, decryption");
  char buffer[17] = {0};
  // NOLINTNEXTLINE(bugprone-not-null-terminated-result): the buffer is zeroed
  std::memcpy(buffer, "PALMPILOT", 9);
  size_t n = std::strlen(buffer);
  uint16_t key[8];
  fold_password(key, reinterpret_cast<const unsigned char*>(buffer), n);
  uint8_t stored[8];
  cipher_string(reinterpret_cast<const uint8_t*>(buffer), stored, key, 8);

  secret(buffer, n);
  fold_password(key, reinterpret_cast<const unsigned char*>(buffer), n);
  uint8_t check[8];
  cipher_string(reinterpret_cast<const uint8_t*>(buffer), check, key, 8);
  for (int wrong = 0; wrong < 2; ++wrong) {
    stored[3] = static_cast<uint8_t>(stored[3] ^ wrong);
    bool match = same_bytes_ct(check, stored, sizeof check);
    // Whether the password was right is what the tool reports.
    declassify(&match, 1);
    if (match) {
      uint8_t text[64], out[64];
      std::memset(text, 0x5C, sizeof text);
      decipher_string(text, out, key, 61);
      keep(out, 61);
    }
    g_sink += match;
  }
  secure_wipe(buffer, sizeof buffer);
  secure_wipe(key, sizeof key);
}

} // namespace

int main() {
  check_arithmetic();
  check_folding();
  check_block_cipher();
  for (EcbPath path : kEcbPaths) {
    if (ecb_path_available(path)) {
      check_strings(path);
    } else {
      std::fprintf(stderr, "ct: NOT COVERED: the %s path cannot run here\n", ecb_path_name(path));
    }
  }
  check_password_flow();
  std::printf("constant-time check ran (sink %08x)\n", g_sink);
  return 0;
}
