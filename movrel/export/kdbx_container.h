// The KDBX 4 container around a KeePass XML document (libsodium does all the
// cryptography):
//   header: signatures 03 D9 A2 9A 67 FB 4B B5, version 4.0, then fields
//     2 cipher ChaCha20, 3 compression none, 4 master seed (32 random bytes),
//     7 IV (12 random bytes), 11 KDF parameters, 0 end;
//   SHA-256 of the header, HMAC-SHA-256 of the header;
//   the payload (inner header, then the XML), encrypted with ChaCha20, in
//   blocks of at most 1 MiB, each HMAC | uint32 length | data, then an empty
//   block. All integers little-endian.
// Blocks are written as the payload is made, so neither the XML nor the file
// is ever whole in memory.
// The KDF is Argon2id, version 0x13, with a 16-byte random salt,
// kArgonIterations passes over kArgonMemoryBytes, one lane: about a second
// on one core of a 2020s processor, as KeePassXC tunes its own.
#ifndef MOVREL_MOVREL_EXPORT_KDBX_CONTAINER_H
#define MOVREL_MOVREL_EXPORT_KDBX_CONTAINER_H

#include "secret_buffer.h"

#include <cstddef>
#include <cstdint>
#include <string>

constexpr uint64_t kArgonIterations = 10;
constexpr uint64_t kArgonMemoryBytes = uint64_t{64} << 20;
constexpr uint32_t kArgonLanes = 1;
constexpr size_t kBlockBytes = size_t{1} << 20; // a whole number of ChaCha20 blocks

// Seconds since 0001-01-01 as KDBX 4 writes times: base64 of a little-endian
// int64, for now.
std::string kdbx_time_now();

// The keys of one file. A secret: listed while it lives, wiped at its end.
class KdbxKeys {
public:
  KdbxKeys();
  ~KdbxKeys();
  KdbxKeys(const KdbxKeys&) = delete;
  KdbxKeys& operator=(const KdbxKeys&) = delete;

  // Draws the seed, IV and salt, and derives the keys from the master
  // password (n bytes of UTF-8). Runs the KDF: most of the time of a write.
  void derive(const char* password, size_t n);

  // Appends the header, its SHA-256 and its HMAC.
  void append_header(SecretBuffer& out) const;

  // Encrypts the payload (inner header and XML) as it comes: appends to out
  // the blocks that payload's bytes fill (with last, all of them and the
  // empty block that ends the file), and takes them from payload.
  void append_blocks(SecretBuffer& payload, bool last, SecretBuffer& out);

private:
  struct Secrets {
    uint8_t cipherKey[32]; // SHA-256(seed | transformed key)
    uint8_t hmacBase[64];  // SHA-512(seed | transformed key | 01)
  };
  Secrets secrets_{};
  uint8_t seed_[32] = {};
  uint8_t iv_[12] = {};
  uint8_t salt_[16] = {};
  uint64_t blocks_ = 0; // written so far; each but the last two holds kBlockBytes
};

// The inner random stream that hides protected values (Notes) inside the
// XML: ChaCha20 keyed by SHA-512 of a 64-byte random key (key: its first 32
// bytes, nonce: the next 12), one keystream over every protected value in
// document order. A secret, as KdbxKeys.
class ProtectedStream {
public:
  ProtectedStream();
  ~ProtectedStream();
  ProtectedStream(const ProtectedStream&) = delete;
  ProtectedStream& operator=(const ProtectedStream&) = delete;

  // The inner header that names the stream and carries its key.
  void append_inner_header(SecretBuffer& out) const;

  // Appends the base64 of the n bytes at text XOR the next n of the keystream.
  void append_protected(SecretBuffer& out, const char* text, size_t n);

private:
  struct Secrets {
    uint8_t streamKey[64]; // in the inner header
    uint8_t key[32];
    uint8_t nonce[12];
    uint8_t block[64]; // keystream block counter_ - 1, of which used_ bytes are spent
  };
  Secrets secrets_{};
  uint32_t counter_ = 0; // next keystream block
  size_t used_ = 64;
  SecretBuffer hidden_; // a value XOR the keystream, on its way to base64
};

#endif
