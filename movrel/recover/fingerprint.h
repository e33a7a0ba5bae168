// What a session remembers of a file it searched with, to tell at --restore
// whether it is still the same: its size and the SHA-256 of its bytes.
#ifndef MOVREL_MOVREL_RECOVER_FINGERPRINT_H
#define MOVREL_MOVREL_RECOVER_FINGERPRINT_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

struct Fingerprint {
  uint64_t size = 0;
  std::string sha256; // 64 lower-case hex digits

  bool operator==(const Fingerprint& other) const {
    return size == other.size && sha256 == other.sha256;
  }
};

// A file and its fingerprint.
struct FileFingerprint {
  std::string path; // absolute, or "-" (standard input, not fingerprinted)
  Fingerprint print;
};

// Whether this build can fingerprint files (it has libsodium's SHA-256);
// without, recover keeps no sessions.
bool fingerprints_available();

// SHA-256 over bytes given piece by piece (libsodium).
class FingerprintMaker {
public:
  FingerprintMaker();
  ~FingerprintMaker();
  FingerprintMaker(const FingerprintMaker&) = delete;
  FingerprintMaker& operator=(const FingerprintMaker&) = delete;

  void add(const void* bytes, size_t n);
  Fingerprint result();

private:
  struct State;
  std::unique_ptr<State> state_;
};

// The fingerprint of n bytes in memory.
Fingerprint fingerprint_of(const void* bytes, size_t n);

#endif
