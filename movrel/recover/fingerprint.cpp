#include "fingerprint.h"

#include <new>
#include <openssl/evp.h>

struct FingerprintMaker::State {
  EVP_MD_CTX* context = nullptr;
  uint64_t size = 0;
};

FingerprintMaker::FingerprintMaker() : state_(std::make_unique<State>()) {
  state_->context = EVP_MD_CTX_new();
  if (state_->context == nullptr ||
      EVP_DigestInit_ex(state_->context, EVP_sha256(), nullptr) != 1) {
    EVP_MD_CTX_free(state_->context);
    throw std::bad_alloc();
  }
}

FingerprintMaker::~FingerprintMaker() {
  EVP_MD_CTX_free(state_->context);
}

void FingerprintMaker::add(const void* bytes, size_t n) {
  EVP_DigestUpdate(state_->context, bytes, n);
  state_->size += n;
}

Fingerprint FingerprintMaker::result() {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_DigestFinal_ex(state_->context, digest, &length);
  static const char kHex[] = "0123456789abcdef";
  Fingerprint print;
  print.size = state_->size;
  for (unsigned int i = 0; i < length; ++i) {
    print.sha256 += kHex[digest[i] >> 4];
    print.sha256 += kHex[digest[i] & 0xF];
  }
  return print;
}

Fingerprint fingerprint_of(const void* bytes, size_t n) {
  FingerprintMaker maker;
  maker.add(bytes, n);
  return maker.result();
}
