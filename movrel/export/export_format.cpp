#include "export_format.h"

namespace {

const FormatInfo kFormats[] = {
    {"text", ".txt", false, make_text_format},
    {"json", ".json", false, make_json_format},
    {"markdown", ".md", false, make_markdown_format},
    {"keepassxc-csv", nullptr, false, make_keepassxc_csv_format},
    {"bitwarden-json", nullptr, false, make_bitwarden_json_format},
    {"keepass-xml", nullptr, false, make_keepass_xml_format},
#ifdef MOVREL_HAVE_SODIUM
    {"kdbx", nullptr, true, make_kdbx_format},
#else
    {"kdbx", nullptr, true, nullptr},
#endif
};

} // namespace

const FormatInfo* find_export_format(const std::string& name) {
  for (const FormatInfo& format : kFormats) {
    if (name == format.name) {
      return &format;
    }
  }
  return nullptr;
}
