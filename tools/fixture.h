// Writes Movrel! databases for tests and the demo: a Palm database header and
// record list, then one category record per category, encrypted the way the
// viewer decrypts them. The viewer itself never writes a database.
#ifndef MOVREL_TOOLS_FIXTURE_H
#define MOVREL_TOOLS_FIXTURE_H

#include <cstdint>
#include <string>
#include <vector>

struct FixtureCategory {
  std::string name;          // up to 21 bytes go into the name field, zero-padded
  std::string text;          // the plain text; its length is the stored L
  uint8_t markerKind = 0x02; // last byte of the marker: 0x02 or 0x03
};

// The password as the viewer uses it: letters a-z upper-cased.
std::string fixture_upper_case(std::string password);

// Marker, name field, check value, spare byte, big-endian L, encrypted text.
// The check value and text are made under typedPassword, upper-cased first.
std::string make_category_record(const std::string& typedPassword, const FixtureCategory& category);

// A whole database file: 78-byte Palm header, the record list, the optional
// appInfo block (raw bytes, placed before the records), then the records.
std::string make_database(const std::string& typedPassword,
                          const std::vector<FixtureCategory>& categories,
                          const std::string& appInfo = "");

#endif
