// The cipher library: the known answers of idea.vec on every ECB path,
// cross-path equality, exact read and write extents, the check-value
// comparison and the stack scrub.
#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "bytestring.h"
#include "ctcompare.h"
#include "ecb.h"
#include "userkey.h"
#include "wipe.h"

namespace {

using Key = std::array<uint16_t, 8>;
using Bytes = std::vector<uint8_t>;

Bytes from_hex(const std::string& hex) {
  Bytes bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes.push_back(static_cast<uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
  return bytes;
}

Key key_of(const Bytes& bytes) {
  Key key{};
  for (size_t i = 0; i < 8; ++i)
    key[i] = static_cast<uint16_t>(bytes.at(2 * i) << 8 | bytes.at(2 * i + 1));
  return key;
}

Bytes random_bytes(std::mt19937& rng, size_t n) {
  Bytes bytes(n);
  std::generate(bytes.begin(), bytes.end(), [&] { return static_cast<uint8_t>(rng()); });
  return bytes;
}

// bytes copied so that they end right before an inaccessible page (one per
// slot, 0 to 2): a read or write past them faults, with or without the
// sanitizers.
uint8_t* at_guard(size_t slot, const Bytes& bytes) {
  static const auto page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  // cppcheck-suppress invalidFunctionArg ; an anonymous mapping takes descriptor -1
  static void* const map = mmap(nullptr, 6 * page, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  uint8_t* end = static_cast<uint8_t*>(map) + (2 * slot + 1) * page;
  mprotect(end - page, page, PROT_READ | PROT_WRITE);
  return std::copy(bytes.begin(), bytes.end(), end - bytes.size()) - bytes.size();
}

// The entries of idea.vec: "Name = hex" lines, a blank line after each entry.
std::vector<std::map<std::string, Bytes>> read_vectors() {
  std::ifstream in(MOVREL_SOURCE_DIR "/tests/cipher/idea.vec");
  std::vector<std::map<std::string, Bytes>> entries(1);
  for (std::string line; std::getline(in, line);) {
    std::string name, equals, hex;
    std::istringstream(line) >> name >> equals >> hex;
    if (name.empty() && !entries.back().empty())
      entries.emplace_back();
    else if (!name.empty() && name[0] != '#')
      entries.back()[name] = from_hex(hex);
  }
  if (entries.back().empty())
    entries.pop_back();
  return entries;
}

TEST(KnownAnswers, EveryVectorOnEveryPath) {
  const auto entries = read_vectors();
  ASSERT_GE(entries.size(), 30u);
  for (size_t e = 0; e < entries.size(); ++e) {
    SCOPED_TRACE("idea.vec entry " + std::to_string(e + 1));
    const auto& fields = entries[e];
    const Key key = key_of(fields.at("Key"));
    if (fields.count("Password") != 0) {
      // The text with its NUL, or its first 16 bytes without one: reading
      // past them faults.
      Bytes text = fields.at("Password");
      text.resize(std::min<size_t>(text.size() + 1, 16));
      Key folded;
      folded.fill(0xA5A5); // every word must be written
      getuserkeyfromargv(folded.data(), reinterpret_cast<const char*>(at_guard(0, text)));
      EXPECT_EQ(folded, key);
      continue;
    }
    // Whole blocks go 103 times over: every lane of the vector kernels and
    // every kind of tail.
    Bytes in, out;
    for (size_t i = 0; i < (fields.at("In").size() % 8 == 0 ? 103 : 1); ++i) {
      in.insert(in.end(), fields.at("In").begin(), fields.at("In").end());
      out.insert(out.end(), fields.at("Out").begin(), fields.at("Out").end());
    }
    for (EcbPath path : kEcbPaths) {
      Bytes enc(out.size()), dec(in.size());
      if (!ecb_path_available(path))
        continue;
      cipher_string_on(path, in.data(), enc.data(), key.data(), static_cast<int32_t>(in.size()));
      decipher_string_on(path, out.data(), dec.data(), key.data(), static_cast<int32_t>(in.size()));
      EXPECT_EQ(enc, out) << ecb_path_name(path);
      EXPECT_EQ(dec, in) << ecb_path_name(path);
    }
  }
}

// On every path the processor can run: encryption in place equals the
// portable path's, and decryption in place gives the text back. Every length
// to 300, then whole blocks to 640: every split into runs of side-by-side
// vector groups, single vectors and the portable tail.
TEST(EcbPaths, AgreeWithPortable) {
  for (EcbPath path : kEcbPaths) {
    std::mt19937 rng(41);
    for (size_t length = 0; ecb_path_available(path) && length <= size_t{8} * 640;
         length += length < 300 ? 1 : 8) {
      const Key key = key_of(random_bytes(rng, 16));
      const Bytes plain = random_bytes(rng, length);
      const auto n = static_cast<int32_t>(length);
      Bytes want((length + 7) / 8 * 8), buffer = plain;
      buffer.resize(want.size());
      cipher_string_on(EcbPath::Portable, plain.data(), want.data(), key.data(), n);
      cipher_string_on(path, buffer.data(), buffer.data(), key.data(), n);
      ASSERT_EQ(buffer, want) << ecb_path_name(path) << " length " << length;
      decipher_string_on(path, buffer.data(), buffer.data(), key.data(), n);
      ASSERT_EQ(Bytes(buffer.begin(), buffer.begin() + n), plain)
          << ecb_path_name(path) << " length " << length;
    }
  }
}

// Whether path is one of this architecture's (built here, whatever the
// processor): another architecture's paths are never available and need no
// notice.
bool of_this_architecture(EcbPath path) {
#if defined(__x86_64__)
  return path != EcbPath::Neon;
#elif defined(__aarch64__)
  return path == EcbPath::Portable || path == EcbPath::Neon;
#else
  return path == EcbPath::Portable;
#endif
}

// The widest path this processor runs is the one used. A path of this
// architecture that it cannot run, which the tests above pass over, shows in
// make check's output as skipped.
TEST(EcbPaths, WidestAvailableIsUsed) {
  EcbPath widest = EcbPath::Portable;
  for (EcbPath path : kEcbPaths)
    if (ecb_path_available(path))
      widest = path;
  EXPECT_EQ(ecb_best_path(), widest);
  for (EcbPath path : kEcbPaths)
    if (of_this_architecture(path) && !ecb_path_available(path))
      GTEST_SKIP() << ecb_path_name(path) << " cannot run on this processor: not tested here";
}

// Encryption reads length bytes and writes whole blocks; decryption reads
// whole blocks and writes length bytes.
TEST(ByteString, ReadsAndWritesExactlyItsExtent) {
  std::mt19937 rng(31);
  const Key key = {1, 2, 3, 4, 5, 6, 7, 8};
  for (size_t length = 1; length <= 64; ++length) {
    const Bytes text = random_bytes(rng, length);
    const auto n = static_cast<int32_t>(length);
    uint8_t* enc = at_guard(1, Bytes((length + 7) / 8 * 8));
    cipher_string(at_guard(0, text), enc, key.data(), n);
    uint8_t* dec = at_guard(2, Bytes(length));
    decipher_string(enc, dec, key.data(), n);
    ASSERT_TRUE(std::equal(text.begin(), text.end(), dec)) << length;
  }
}

TEST(SameBytesCt, SeesEverySingleBitDifference) {
  const uint8_t a[8] = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88};
  EXPECT_TRUE(same_bytes_ct(a, a, 8) && same_bytes_ct(nullptr, nullptr, 0));
  for (int bit = 0; bit < 64; ++bit) {
    uint8_t b[8];
    std::memcpy(b, a, sizeof b);
    b[bit / 8] = static_cast<uint8_t>(b[bit / 8] ^ (1 << (bit % 8)));
    EXPECT_FALSE(same_bytes_ct(a, b, 8)) << "bit " << bit;
  }
}

constexpr uint8_t kMarker = 0xA7;

// Leaves the marker in a frame that then returns, as a kernel leaves spills.
__attribute__((noinline)) void leave_marker() {
  uint8_t area[8192];
  volatile uint8_t* marked = area;
  asm volatile("" : "+r"(marked));
  std::fill(marked, marked + sizeof area, kMarker);
}

// Marker bytes where the next call's frame lies, read through an address the
// compiler cannot see initialised.
__attribute__((noinline)) size_t stale_marker_bytes() {
  uint8_t area[kScrubbedStackBytes];
  const volatile uint8_t* stale = area;
  asm volatile("" : "+r"(stale));
  return static_cast<size_t>(std::count(stale, stale + sizeof area, kMarker));
}

TEST(ScrubStack, ClearsWhatAReturnedCallLeft) {
  leave_marker();
  ASSERT_GE(stale_marker_bytes(), 4096u); // without the scrub it is still there
  leave_marker();
  scrub_stack();
  EXPECT_EQ(stale_marker_bytes(), 0u);
}

} // namespace
