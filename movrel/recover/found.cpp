#include "found.h"

#include "palm_charset.h"
#include "secret_buffer.h"

#include "password_check.h"
#include "wipe.h"
#include "write_all.h"

#include <cstring>
#include <string>
#include <unistd.h>

bool report_found(const MovrelView& view, int32_t count, const unsigned char* password, size_t n) {
  SecretBuffer out;
  bool plain = true;
  for (size_t i = 0; i < n; ++i) {
    if (palm_printable(password[i])) {
      append_palm_as_utf8(out, reinterpret_cast<const char*>(password + i), 1);
    } else {
      out.append("\xEF\xBF\xBD");
      plain = false;
    }
  }
  out.append('\n');
  if (!plain) {
    static const char kHex[] = "0123456789ABCDEF";
    out.append("hex: ");
    for (size_t i = 0; i < n; ++i) {
      out.append(kHex[password[i] >> 4]);
      out.append(kHex[password[i] & 0xF]);
    }
    out.append('\n');
  }
  char text[17] = {};
  memcpy(text, password, n < 16 ? n : 16);
  for (int32_t index = 0; index < count; ++index) {
    const CategoryRecord record = view.record(index);
    if (!record.headerFits) {
      out.append(("cannot check category " + std::to_string(index) +
                  ": it runs past the end of the file\n")
                     .c_str());
      continue;
    }
    uint16_t key[8];
    const bool opens = password_opens(text, record.check, key);
    secure_wipe(key, sizeof key);
    out.append((std::string(opens ? "opens" : "does not open") + " category " +
                std::to_string(index) + ": ")
                   .c_str());
    append_palm_for_display(out, record.name, strlen(record.name));
    out.append('\n');
  }
  secure_wipe(text, sizeof text);
  return write_all(STDOUT_FILENO, out.data(), out.size());
}
