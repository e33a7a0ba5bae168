// The KeePass 2 XML document, as written inside a KDBX 4 file and as the
// unencrypted interchange KeePass, KeePassXC, Bitwarden and Proton Pass
// import: one group named after the database, one entry per category with
// its Title and Notes.
#ifndef MOVREL_MOVREL_EXPORT_KEEPASS_XML_H
#define MOVREL_MOVREL_EXPORT_KEEPASS_XML_H

#include "secret_buffer.h"

#include <string>
#include <string_view>

// Appends text as XML character data: well-formed UTF-8 with & < > and "
// escaped; a carriage return as &#13; so that no parser folds it into a line
// end; and U+FFFD for what XML 1.0 cannot hold (control characters other
// than tab, line feed and carriage return; bytes that are not well-formed
// UTF-8) and for DEL, which it discourages and KeePassXC drops.
void append_xml_text(SecretBuffer& out, std::string_view text);

// The time stamp of the XML interchange, ISO 8601 in UTC, for now.
std::string iso_time_now();

class KeePassXml {
public:
  // stamp: the time of every entry, as the file's version writes times.
  KeePassXml(std::string_view label, std::string stamp) : label_(label), stamp_(std::move(stamp)) {}

  // The document up to the group's first entry.
  void append_head(SecretBuffer& out) const;
  // An entry up to the opening of its Notes value: the caller appends the
  // <Value> element, then calls append_entry_end.
  void append_entry_start(SecretBuffer& out, std::string_view title) const;
  static void append_entry_end(SecretBuffer& out);
  static void append_tail(SecretBuffer& out);

private:
  void append_times(SecretBuffer& out) const;

  std::string_view label_;
  std::string stamp_;
};

#endif
