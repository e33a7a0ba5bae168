#include "password_check.h"

#include "bytestring.h"
#include "ctcompare.h"
#include "live_secrets.h"
#include "userkey.h"

#include <cstring>

namespace {

// 16 bytes for the key and one more, so that the buffer always ends in zero.
constexpr size_t kPasswordBufferSize = 17;
constexpr size_t kCheckSize = 8;

// The password copy and the check block, wiped on every way out, a fatal
// error or an ending signal included.
struct CheckSecrets {
  char buffer[kPasswordBufferSize] = {};
  uint8_t check[kCheckSize] = {};
  CheckSecrets() { hold_stack_secret(this, sizeof *this); }
  CheckSecrets(const CheckSecrets&) = delete;
  CheckSecrets& operator=(const CheckSecrets&) = delete;
  ~CheckSecrets() { release_secret(this); }
};

} // namespace

namespace {

void fold_password(const char* password, uint16_t key[8], uint8_t check[kCheckSize]) {
  CheckSecrets secrets;
  memcpy(secrets.buffer, password, strnlen(password, kPasswordBufferSize));
  getuserkeyfromargv(key, secrets.buffer);
  cipher_string(reinterpret_cast<const uint8_t*>(secrets.buffer), check, key,
                static_cast<int32_t>(kCheckSize));
}

} // namespace

bool password_opens(const char* password, const uint8_t check[8], uint16_t key[8]) {
  CheckSecrets secrets;
  fold_password(password, key, secrets.check);
  return same_bytes_ct(secrets.check, check, kCheckSize);
}

void make_password_key(const char* password, PasswordKey& key) {
  fold_password(password, key.userKey, key.check);
  decipher_schedule(key.userKey, key.schedule);
}

bool key_opens(const PasswordKey& key, const uint8_t check[8]) {
  return same_bytes_ct(key.check, check, kCheckSize);
}
