#include "random_ids.h"

#include "data_error.h"

#include <cstdint>
#include <cstdio>
#include <sys/random.h>

namespace {

void random_bytes(uint8_t* bytes, size_t n) {
  if (getrandom(bytes, n, 0) != static_cast<ssize_t>(n)) {
    data_error("can't read the system's random source");
  }
}

} // namespace

std::string random_uuid_base64() {
  static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  // 128 random bits drawn as base64 digits: 21 digits of 6 bits, then one of
  // 2 (its low 4 bits zero, as base64 pads), then "==".
  uint8_t random[22];
  random_bytes(random, sizeof random);
  std::string text;
  for (size_t i = 0; i < 21; ++i) {
    text += kDigits[random[i] & 0x3F];
  }
  text += kDigits[random[21] & 0x30];
  return text + "==";
}

std::string random_uuid_text() {
  uint8_t random[16];
  random_bytes(random, sizeof random);
  random[6] = static_cast<uint8_t>((random[6] & 0x0F) | 0x40); // version 4
  random[8] = static_cast<uint8_t>((random[8] & 0x3F) | 0x80); // RFC 4122 variant
  char text[37];
  snprintf(text, sizeof text,
           "%02x%02x%02x%02x-%02x%02x-%02x%02x-%02x%02x-%02x%02x%02x%02x%02x%02x", random[0],
           random[1], random[2], random[3], random[4], random[5], random[6], random[7], random[8],
           random[9], random[10], random[11], random[12], random[13], random[14], random[15]);
  return text;
}
