#include "typed_password.h"

#include "palm_charset.h"

#include "live_secrets.h"
#include "password_check.h"
#include "wipe.h"

#include <cstring>

namespace {

// Only the first 16 characters make the key: at most 3 UTF-8 bytes each.
constexpr size_t kUtf8Bytes = 48;

struct FormSecrets {
  char palm[kUtf8Bytes + 1] = {};
  uint16_t key[8] = {};
  FormSecrets() { hold_stack_secret(this, sizeof *this); }
  FormSecrets(const FormSecrets&) = delete;
  FormSecrets& operator=(const FormSecrets&) = delete;
  ~FormSecrets() { release_secret(this); }
};

} // namespace

void take_palm_form_if_it_opens(char* password, const uint8_t check[8]) {
  FormSecrets secrets;
  if (password_opens(password, check, secrets.key)) {
    return;
  }
  // Cut where a character begins, at most 16 characters in.
  size_t n = strnlen(password, kUtf8Bytes + 1);
  while (n > kUtf8Bytes || (n > 0 && (password[n] & 0xC0) == 0x80)) {
    --n;
  }
  const size_t length = palm_from_utf8(password, n, secrets.palm);
  if (length == SIZE_MAX || length == n) {
    return;
  }
  secrets.palm[length] = '\0';
  if (password_opens(secrets.palm, check, secrets.key)) {
    secure_wipe(password, strlen(password));
    memcpy(password, secrets.palm, length + 1);
  }
}
