#include "fingerprint.h"

#ifdef MOVREL_HAVE_SODIUM
#include <new>
#include <sodium.h>

struct FingerprintMaker::State {
  crypto_hash_sha256_state hash;
  uint64_t size = 0;
};

bool fingerprints_available() {
  return true;
}

FingerprintMaker::FingerprintMaker() : state_(std::make_unique<State>()) {
  if (sodium_init() < 0) {
    throw std::bad_alloc(); // libsodium could not start: no memory for it
  }
  crypto_hash_sha256_init(&state_->hash);
}

FingerprintMaker::~FingerprintMaker() = default;

void FingerprintMaker::add(const void* bytes, size_t n) {
  crypto_hash_sha256_update(&state_->hash, static_cast<const unsigned char*>(bytes), n);
  state_->size += n;
}

Fingerprint FingerprintMaker::result() {
  unsigned char digest[crypto_hash_sha256_BYTES];
  crypto_hash_sha256_final(&state_->hash, digest);
  static const char kHex[] = "0123456789abcdef";
  Fingerprint print;
  print.size = state_->size;
  for (const unsigned char byte : digest) {
    print.sha256 += kHex[byte >> 4];
    print.sha256 += kHex[byte & 0xF];
  }
  return print;
}

#else

// Built without libsodium: no SHA-256, and so no sessions; a maker counts
// the bytes only.
struct FingerprintMaker::State {
  uint64_t size = 0;
};

bool fingerprints_available() {
  return false;
}

FingerprintMaker::FingerprintMaker() : state_(std::make_unique<State>()) {}
FingerprintMaker::~FingerprintMaker() = default;

void FingerprintMaker::add(const void* /*bytes*/, size_t n) {
  state_->size += n;
}

Fingerprint FingerprintMaker::result() {
  Fingerprint print;
  print.size = state_->size;
  return print;
}

#endif

Fingerprint fingerprint_of(const void* bytes, size_t n) {
  FingerprintMaker maker;
  maker.add(bytes, n);
  return maker.result();
}
