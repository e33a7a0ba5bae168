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

bool password_opens(const char* password, const uint8_t check[8], uint16_t key[8]) {
  CheckSecrets secrets;
  memcpy(secrets.buffer, password, strnlen(password, kPasswordBufferSize));
  getuserkeyfromargv(key, secrets.buffer);
  cipher_string(reinterpret_cast<const uint8_t*>(secrets.buffer), secrets.check, key,
                static_cast<int32_t>(kCheckSize));
  return same_bytes_ct(secrets.check, check, kCheckSize);
}
