#include "fixture.h"

#include "bytestring.h"
#include "userkey.h"
#include "wipe.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace {

constexpr size_t kPalmHeaderSize = 78;
constexpr size_t kRecordEntrySize = 8;
constexpr size_t kNameFieldSize = 21;
constexpr size_t kPasswordBufferSize = 17;

void put_be16(std::string& out, uint16_t value) {
  out += static_cast<char>(value >> 8);
  out += static_cast<char>(value & 0xFF);
}

void put_be32(std::string& out, uint32_t value) {
  put_be16(out, static_cast<uint16_t>(value >> 16));
  put_be16(out, static_cast<uint16_t>(value & 0xFFFF));
}

// Seconds since 1904-01-01, the Palm epoch: 2001-05-01 00:00 UTC. Chosen once
// so that the demo file is the same on every run and holds no marker bytes.
constexpr uint32_t kPalmTime = 0xB713AD00u;

std::string palm_header(size_t records, uint32_t appInfoOffset) {
  std::string header(32, '\0');
  const char dbName[] = "MovrelDB";
  std::copy(dbName, dbName + sizeof dbName - 1, header.begin());
  put_be16(header, 0x0000);                         // attributes
  put_be16(header, 0x0001);                         // version
  put_be32(header, kPalmTime);                      // created
  put_be32(header, kPalmTime);                      // modified
  put_be32(header, 0);                              // last backup: never
  put_be32(header, 1);                              // modification number
  put_be32(header, appInfoOffset);                  // appInfo block, 0 when there is none
  put_be32(header, 0);                              // sortInfo block: none
  header += "DATA";                                 // type
  header += "MvRl";                                 // creator
  put_be32(header, static_cast<uint32_t>(records)); // unique ID seed
  put_be32(header, 0);                              // next record list: none
  put_be16(header, static_cast<uint16_t>(records));
  return header;
}

} // namespace

std::string fixture_upper_case(std::string password) {
  for (char& c : password) {
    if (c >= 'a' && c <= 'z') {
      c = static_cast<char>(c - 'a' + 'A');
    }
  }
  return password;
}

std::string make_category_record(const std::string& typedPassword,
                                 const FixtureCategory& category) {
  if (category.text.size() > INT32_MAX - 8) {
    throw std::length_error("category text too long");
  }
  // The key and the check come from a zeroed 17-byte copy of the password,
  // exactly as the viewer makes them.
  const std::string password = fixture_upper_case(typedPassword);
  char passwordBuffer[kPasswordBufferSize] = {};
  // 17 characters or more leave no terminator, as in the viewer.
  // NOLINTNEXTLINE(bugprone-not-null-terminated-result)
  memcpy(passwordBuffer, password.data(), std::min(password.size(), kPasswordBufferSize));
  uint16_t key[8];
  getuserkeyfromargv(key, passwordBuffer);
  uint8_t check[8];
  cipher_string(reinterpret_cast<const uint8_t*>(passwordBuffer), check, key, 8);

  const auto length = static_cast<int32_t>(category.text.size());
  std::string cipherText(static_cast<size_t>((length + 7) / 8 * 8), '\0');
  cipher_string(reinterpret_cast<const uint8_t*>(category.text.data()),
                reinterpret_cast<uint8_t*>(cipherText.data()), key, length);

  std::string record = "\xff\x40\x44";
  record += static_cast<char>(category.markerKind);
  std::string name = category.name.substr(0, kNameFieldSize);
  name.resize(kNameFieldSize, '\0');
  record += name;
  record.append(reinterpret_cast<const char*>(check), sizeof check);
  record += '\x01'; // not interpreted by the viewer
  put_be32(record, static_cast<uint32_t>(length));
  record += cipherText;

  secure_wipe(passwordBuffer, sizeof passwordBuffer);
  secure_wipe(key, sizeof key);
  return record;
}

std::string make_database(const std::string& typedPassword,
                          const std::vector<FixtureCategory>& categories,
                          const std::string& appInfo) {
  std::vector<std::string> records;
  records.reserve(categories.size());
  for (const FixtureCategory& category : categories) {
    records.push_back(make_category_record(typedPassword, category));
  }
  // Header, record list, two bytes of gap, appInfo, records.
  size_t offset = kPalmHeaderSize + kRecordEntrySize * records.size() + 2;
  const uint32_t appInfoOffset = appInfo.empty() ? 0 : static_cast<uint32_t>(offset);
  offset += appInfo.size();

  std::string file = palm_header(records.size(), appInfoOffset);
  uint32_t uniqueId = 0x1000;
  for (const std::string& record : records) {
    put_be32(file, static_cast<uint32_t>(offset));
    file += '\x40'; // attributes: dirty
    file += static_cast<char>(uniqueId >> 16);
    put_be16(file, static_cast<uint16_t>(uniqueId & 0xFFFF));
    ++uniqueId;
    offset += record.size();
  }
  file += std::string(2, '\0');
  file += appInfo;
  for (const std::string& record : records) {
    file += record;
  }
  return file;
}
