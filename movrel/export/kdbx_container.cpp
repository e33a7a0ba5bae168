#include "kdbx_container.h"

#include "data_error.h"
#include "live_secrets.h"
#include "wipe.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <sodium.h>
#include <string>

namespace {

constexpr uint8_t kChaCha20Uuid[16] = {0xd6, 0x03, 0x8a, 0x2b, 0x8b, 0x6f, 0x4c, 0xb5,
                                       0xa5, 0x24, 0x33, 0x9a, 0x31, 0xdb, 0xb5, 0x9a};
constexpr uint8_t kArgon2idUuid[16] = {0x9e, 0x29, 0x8b, 0x19, 0x56, 0xdb, 0x47, 0x73,
                                       0xb2, 0x3d, 0xfc, 0x3e, 0xc6, 0xf0, 0xa1, 0xe6};
constexpr uint32_t kInnerChaCha20 = 3;

void put_le(std::string& out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) {
    out += static_cast<char>(value >> (8 * i));
  }
}

// Header field: id, uint32 length, data.
void put_field(std::string& out, uint8_t id, const std::string& data) {
  out += static_cast<char>(id);
  put_le(out, data.size(), 4);
  out += data;
}

// Variant dictionary item: type, uint32 key length, key, uint32 value length, value.
void put_item(std::string& out, uint8_t type, const char* key, const std::string& value) {
  out += static_cast<char>(type);
  put_le(out, strlen(key), 4);
  out += key;
  put_le(out, value.size(), 4);
  out += value;
}

std::string le(uint64_t value, int bytes) {
  std::string out;
  put_le(out, value, bytes);
  return out;
}

std::string bytes_of(const uint8_t* bytes, size_t n) {
  return {reinterpret_cast<const char*>(bytes), n};
}

void append_base64(SecretBuffer& out, const uint8_t* bytes, size_t n) {
  const size_t room = sodium_base64_ENCODED_LEN(n, sodium_base64_VARIANT_ORIGINAL);
  sodium_bin2base64(out.reserve(room), room, bytes, n, sodium_base64_VARIANT_ORIGINAL);
  out.commit(room - 1); // less the terminating zero
}

// HMAC-SHA-256 of message under block index's key, SHA-512(uint64 index | base).
void block_hmac(const uint8_t base[64], uint64_t index, const std::string& head, const char* data,
                size_t n, uint8_t mac[32]) {
  uint8_t key[64];
  hold_stack_secret(key, sizeof key);
  std::string keyInput = le(index, 8);
  crypto_hash_sha512_state hash;
  crypto_hash_sha512_init(&hash);
  crypto_hash_sha512_update(&hash, reinterpret_cast<const uint8_t*>(keyInput.data()), 8);
  crypto_hash_sha512_update(&hash, base, 64);
  crypto_hash_sha512_final(&hash, key);
  crypto_auth_hmacsha256_state state;
  crypto_auth_hmacsha256_init(&state, key, sizeof key);
  crypto_auth_hmacsha256_update(&state, reinterpret_cast<const uint8_t*>(head.data()), head.size());
  crypto_auth_hmacsha256_update(&state, reinterpret_cast<const uint8_t*>(data), n);
  crypto_auth_hmacsha256_final(&state, mac);
  release_secret(key);
}

} // namespace

std::string kdbx_time_now() {
  // Seconds from 0001-01-01 to 1970-01-01: 719,162 days.
  const std::string seconds = le(static_cast<uint64_t>(time(nullptr)) + 62135596800u, 8);
  SecretBuffer text;
  append_base64(text, reinterpret_cast<const uint8_t*>(seconds.data()), seconds.size());
  return {text.data(), text.size()};
}

KdbxKeys::KdbxKeys() {
  hold_secret(&secrets_, sizeof secrets_);
}

KdbxKeys::~KdbxKeys() {
  release_secret(&secrets_);
}

void KdbxKeys::derive(const char* password, size_t n) {
  randombytes_buf(seed_, sizeof seed_);
  randombytes_buf(iv_, sizeof iv_);
  randombytes_buf(salt_, sizeof salt_);
  // seed | transformed key | 01; the composite key SHA-256(SHA-256(password))
  // goes through the transformed key's place first.
  uint8_t material[32 + 32 + 1];
  hold_stack_secret(material, sizeof material);
  memcpy(material, seed_, 32);
  uint8_t* transformed = material + 32;
  crypto_hash_sha256(transformed, reinterpret_cast<const uint8_t*>(password), n);
  crypto_hash_sha256(transformed, transformed, 32);
  uint8_t composite[32];
  hold_stack_secret(composite, sizeof composite);
  memcpy(composite, transformed, sizeof composite);
  const int failed =
      crypto_pwhash(transformed, 32, reinterpret_cast<const char*>(composite), sizeof composite,
                    salt_, kArgonIterations, kArgonMemoryBytes, crypto_pwhash_ALG_ARGON2ID13);
  release_secret(composite);
  if (failed != 0) {
    release_secret(material);
    data_error("can't allocate " + std::to_string(kArgonMemoryBytes >> 20) +
               " MiB for the KeePass key derivation");
  }
  material[64] = 0x01;
  crypto_hash_sha256(secrets_.cipherKey, material, 64);
  crypto_hash_sha512(secrets_.hmacBase, material, sizeof material);
  release_secret(material);
}

void KdbxKeys::append_header(SecretBuffer& out) const {
  std::string kdf = le(0x0100, 2);
  put_item(kdf, 0x42, "$UUID", bytes_of(kArgon2idUuid, sizeof kArgon2idUuid));
  put_item(kdf, 0x42, "S", bytes_of(salt_, sizeof salt_));
  put_item(kdf, 0x05, "I", le(kArgonIterations, 8));
  put_item(kdf, 0x05, "M", le(kArgonMemoryBytes, 8));
  put_item(kdf, 0x04, "P", le(kArgonLanes, 4));
  put_item(kdf, 0x04, "V", le(0x13, 4));
  kdf += '\0';
  std::string header = "\x03\xD9\xA2\x9A\x67\xFB\x4B\xB5";
  put_le(header, 0, 2); // minor version
  put_le(header, 4, 2); // major version
  put_field(header, 2, bytes_of(kChaCha20Uuid, sizeof kChaCha20Uuid));
  put_field(header, 3, le(0, 4)); // no compression
  put_field(header, 4, bytes_of(seed_, sizeof seed_));
  put_field(header, 7, bytes_of(iv_, sizeof iv_));
  put_field(header, 11, kdf);
  put_field(header, 0, "\r\n\r\n");
  out.append(header.data(), header.size());
  uint8_t mac[32];
  crypto_hash_sha256(mac, reinterpret_cast<const uint8_t*>(header.data()), header.size());
  out.append(reinterpret_cast<const char*>(mac), sizeof mac);
  block_hmac(secrets_.hmacBase, UINT64_MAX, "", header.data(), header.size(), mac);
  out.append(reinterpret_cast<const char*>(mac), sizeof mac);
}

void KdbxKeys::append_blocks(SecretBuffer& payload, bool last, SecretBuffer& out) {
  size_t at = 0;
  for (;;) {
    const size_t left = payload.size() - at;
    if (left < kBlockBytes && !last) {
      break;
    }
    const size_t n = std::min(left, kBlockBytes);
    auto* bytes = reinterpret_cast<uint8_t*>(payload.data() + at);
    // The cipher runs on over the blocks: block i starts at keystream block i * kBlockBytes / 64.
    crypto_stream_chacha20_ietf_xor_ic(bytes, bytes, n, iv_,
                                       static_cast<uint32_t>(blocks_ * (kBlockBytes / 64)),
                                       secrets_.cipherKey);
    const std::string length = le(n, 4);
    uint8_t mac[32];
    block_hmac(secrets_.hmacBase, blocks_, le(blocks_, 8) + length, payload.data() + at, n, mac);
    out.append(reinterpret_cast<const char*>(mac), sizeof mac);
    out.append(length.data(), length.size());
    out.append(payload.data() + at, n);
    ++blocks_;
    at += n;
    if (n == 0) {
      break; // the empty block ends the file
    }
  }
  payload.drop_front(at);
}

ProtectedStream::ProtectedStream() {
  hold_secret(&secrets_, sizeof secrets_);
  randombytes_buf(secrets_.streamKey, sizeof secrets_.streamKey);
  uint8_t hash[64];
  hold_stack_secret(hash, sizeof hash);
  crypto_hash_sha512(hash, secrets_.streamKey, sizeof secrets_.streamKey);
  memcpy(secrets_.key, hash, sizeof secrets_.key);
  memcpy(secrets_.nonce, hash + sizeof secrets_.key, sizeof secrets_.nonce);
  release_secret(hash);
}

ProtectedStream::~ProtectedStream() {
  release_secret(&secrets_);
}

void ProtectedStream::append_inner_header(SecretBuffer& out) const {
  std::string head;
  put_field(head, 1, le(kInnerChaCha20, 4));
  out.append(head.data(), head.size());
  out.append('\x02');
  out.append(le(sizeof secrets_.streamKey, 4).data(), 4);
  out.append(reinterpret_cast<const char*>(secrets_.streamKey), sizeof secrets_.streamKey);
  head.clear();
  put_field(head, 0, "");
  out.append(head.data(), head.size());
}

void ProtectedStream::append_protected(SecretBuffer& out, const char* text, size_t n) {
  hidden_.clear();
  auto* bytes = reinterpret_cast<uint8_t*>(hidden_.reserve(n));
  const auto* plain = reinterpret_cast<const uint8_t*>(text);
  size_t i = 0;
  for (; i < n && used_ < sizeof secrets_.block; ++i) {
    bytes[i] = plain[i] ^ secrets_.block[used_++];
  }
  const size_t whole = (n - i) / 64 * 64;
  crypto_stream_chacha20_ietf_xor_ic(bytes + i, plain + i, whole, secrets_.nonce, counter_,
                                     secrets_.key);
  counter_ += static_cast<uint32_t>(whole / 64);
  i += whole;
  if (i < n) {
    secure_wipe(secrets_.block, sizeof secrets_.block);
    crypto_stream_chacha20_ietf_xor_ic(secrets_.block, secrets_.block, sizeof secrets_.block,
                                       secrets_.nonce, counter_++, secrets_.key);
    for (used_ = 0; i < n; ++i) {
      bytes[i] = plain[i] ^ secrets_.block[used_++];
    }
  }
  hidden_.commit(n);
  append_base64(out, bytes, n);
  hidden_.clear();
}
