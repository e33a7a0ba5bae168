#include "keepass_xml.h"

#include "random_ids.h"
#include "utf8_text.h"

#include <cstdint>
#include <ctime>

void append_xml_text(SecretBuffer& out, std::string_view text) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  size_t i = 0;
  while (i < text.size()) {
    const uint8_t byte = bytes[i];
    const char* escaped = nullptr;
    switch (byte) {
    case '&':
      escaped = "&amp;";
      break;
    case '<':
      escaped = "&lt;";
      break;
    case '>':
      escaped = "&gt;";
      break;
    case '"':
      escaped = "&quot;";
      break;
    case '\r':
      escaped = "&#13;";
      break;
    default:
      break;
    }
    const size_t length = utf8_sequence_length(bytes + i, text.size() - i);
    if (escaped != nullptr) {
      out.append(escaped);
    } else if (length == 0 || (byte < 0x20 && byte != '\t' && byte != '\n') || byte == 0x7F) {
      out.append("\xEF\xBF\xBD"); // U+FFFD
    } else {
      out.append(text.data() + i, length);
    }
    i += length == 0 ? 1 : length;
  }
}

std::string iso_time_now() {
  const time_t now = time(nullptr);
  char iso[32];
  struct tm utc {};
  gmtime_r(&now, &utc);
  strftime(iso, sizeof iso, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return iso;
}

void KeePassXml::append_times(SecretBuffer& out) const {
  const std::string& stamp = stamp_;
  const std::string times =
      "<Times><CreationTime>" + stamp + "</CreationTime><LastModificationTime>" + stamp +
      "</LastModificationTime><LastAccessTime>" + stamp + "</LastAccessTime><ExpiryTime>" + stamp +
      "</ExpiryTime><Expires>False</Expires><UsageCount>0</UsageCount>"
      "<LocationChanged>" +
      stamp + "</LocationChanged></Times>\n";
  out.append(times.c_str());
}

void KeePassXml::append_head(SecretBuffer& out) const {
  out.append("<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>\n"
             "<KeePassFile>\n<Meta>\n<Generator>movrel</Generator>\n<DatabaseName>");
  append_xml_text(out, label_);
  out.append("</DatabaseName>\n</Meta>\n<Root>\n<Group>\n<UUID>");
  out.append(random_uuid_base64().c_str());
  out.append("</UUID>\n<Name>");
  append_xml_text(out, label_);
  out.append("</Name>\n");
  append_times(out);
  out.append("<IsExpanded>True</IsExpanded>\n");
}

void KeePassXml::append_entry_start(SecretBuffer& out, std::string_view title) const {
  out.append("<Entry>\n<UUID>");
  out.append(random_uuid_base64().c_str());
  out.append("</UUID>\n");
  append_times(out);
  out.append("<String><Key>Title</Key><Value>");
  append_xml_text(out, title);
  out.append("</Value></String>\n<String><Key>Notes</Key>");
}

void KeePassXml::append_entry_end(SecretBuffer& out) {
  out.append("</String>\n</Entry>\n");
}

void KeePassXml::append_tail(SecretBuffer& out) {
  out.append("</Group>\n</Root>\n</KeePassFile>\n");
}
