#include "export_format.h"

namespace {

using FormatMaker = std::unique_ptr<ExportFormat> (*)(const ExportContext&);

struct FormatEntry {
  const char* name;
  FormatMaker make; // null when this build cannot write the format
};

const FormatEntry kFormats[] = {
    {"text", make_text_format},
    {"json", make_json_format},
    {"markdown", make_markdown_format},
    {"keepassxc-csv", make_keepassxc_csv_format},
    {"bitwarden-json", make_bitwarden_json_format},
    {"keepass-xml", make_keepass_xml_format},
#ifdef MOVREL_HAVE_KDBX
    {"kdbx", make_kdbx_format},
#else
    {"kdbx", nullptr},
#endif
};

const FormatEntry* find(const std::string& name) {
  for (const FormatEntry& entry : kFormats) {
    if (name == entry.name) {
      return &entry;
    }
  }
  return nullptr;
}

} // namespace

bool export_format_known(const std::string& name) {
  return find(name) != nullptr;
}

bool export_format_built(const std::string& name) {
  const FormatEntry* entry = find(name);
  return entry != nullptr && entry->make != nullptr;
}

std::unique_ptr<ExportFormat> make_export_format(const std::string& name,
                                                 const ExportContext& context) {
  return find(name)->make(context);
}
