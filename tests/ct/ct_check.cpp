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
// with its characters secret. The key schedules and the block rounds run on
// a secret key with zero words inside cipher_string and decipher_string.
// valgrind hides AVX-512 from the program, so the AVX-512 kernel cannot be
// run here; it is reported as not covered.
//
// With the argument "control" it runs the negative control instead: a
// multiplication modulo 65537 written with the usual branches on its
// operands, on operands marked secret the same way. Memcheck must report a
// conditional jump on uninitialised data there; if it stops doing so (an
// optimiser turning the branches into selects, a valgrind that no longer
// tracks them), the check passing would prove nothing, and the control test
// fails.
#include <valgrind/memcheck.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "bytestring.h"
#include "ctcompare.h"
#include "ecb.h"
#include "userkey.h"

namespace {

template <typename T> void secret(T* p, size_t count) {
  VALGRIND_MAKE_MEM_UNDEFINED(p, count * sizeof *p);
}

uint32_t g_sink = 0;

// Declassifies a copy of a result into the printed sink, so that the work
// that made it cannot be optimised away.
template <typename T> void keep(const T* p, size_t count) {
  std::vector<uint8_t> copy(count * sizeof *p);
  std::memcpy(copy.data(), p, copy.size());
  VALGRIND_MAKE_MEM_DEFINED(copy.data(), copy.size());
  for (uint8_t byte : copy)
    g_sink = g_sink * 31 + byte;
}

__attribute__((noinline)) uint16_t branching_mul(uint16_t a, uint16_t b) {
  if (a == 0)
    return static_cast<uint16_t>(1 - b);
  if (b == 0)
    return static_cast<uint16_t>(1 - a);
  const uint32_t p = static_cast<uint32_t>(a) * b;
  const auto lo = static_cast<uint16_t>(p), hi = static_cast<uint16_t>(p >> 16);
  return lo < hi ? static_cast<uint16_t>(lo - hi + 1) : static_cast<uint16_t>(lo - hi);
}

// The longest is 173 whole blocks plus a short tail. On the AVX2 path (the
// widest valgrind runs) that is one run of six 16-block vectors side by side,
// four vectors more, then the portable 8-lane loop and single blocks.
const std::vector<int32_t> kLengths = {1, 8, 197, 8 * (4 * 32 + 32 + 8 + 5) + 3};

} // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "control") == 0) {
    volatile uint16_t seeds[2] = {0x1234, 0xABCD}; // not constants the compiler could fold
    uint16_t r[2] = {seeds[0], seeds[1]};
    secret(r, 2);
    r[0] = branching_mul(r[0], r[1]);
    keep(r, 1);
    std::printf("control product ran (sink %08x)\n", g_sink);
    return 0;
  }
  std::fprintf(stderr, "ct: fold_password with secret characters, every length 0..16\n");
  for (size_t n = 0; n <= 16; ++n) {
    unsigned char chars[16];
    // NOLINTNEXTLINE(bugprone-not-null-terminated-result): characters, not a string
    std::memcpy(chars, "CORRECTHORSEBATT", 16);
    secret(chars, n);
    uint16_t key[8];
    fold_password(key, chars, n);
    keep(key, 8);
  }
  for (EcbPath path : kEcbPaths) {
    const bool runs = ecb_path_available(path);
    std::fprintf(stderr, "ct: %s the %s path\n",
                 runs ? "cipher_string and decipher_string on" : "NOT COVERED, cannot run",
                 ecb_path_name(path));
    for (int32_t length : runs ? kLengths : std::vector<int32_t>()) {
      auto n = static_cast<size_t>(length);
      std::vector<uint8_t> plain(n), enc(8 * ((n + 7) / 8)), dec(n);
      for (size_t i = 0; i < n; ++i)
        plain[i] = static_cast<uint8_t>(i * 7 % 3 == 0 ? 0 : i);
      uint16_t key[8] = {0x4100, 0x0000, 0x4342, 0xFFFF, 0, 0, 0, 0x0001};
      secret(key, 8);
      secret(plain.data(), n);
      cipher_string_on(path, plain.data(), enc.data(), key, length);
      // Ciphertext is public; decryption must not branch on the key either.
      VALGRIND_MAKE_MEM_DEFINED(enc.data(), enc.size());
      decipher_string_on(path, enc.data(), dec.data(), key, length);
      keep(dec.data(), n);
    }
  }
  // The tool's check: a check block made from the password against the
  // stored one; only whether they match is public.
  std::fprintf(stderr, "ct: comparison of a secret check block, equal and not\n");
  uint8_t check[8] = {0x4B, 0, 0xFF, 0x80, 1, 2, 3, 4}, stored[8];
  std::memcpy(stored, check, sizeof check);
  secret(check, 8);
  for (uint8_t wrong : {0, 1}) {
    stored[7] = static_cast<uint8_t>(stored[7] ^ wrong);
    bool match = same_bytes_ct(check, stored, sizeof check);
    VALGRIND_MAKE_MEM_DEFINED(&match, 1);
    g_sink += match ? 1 : 2;
  }
  std::printf("constant-time check ran (sink %08x)\n", g_sink);
  return 0;
}
