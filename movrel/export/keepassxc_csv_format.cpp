// --format keepassxc-csv: the CSV KeePassXC imports. A header row, then one
// row per category; every field quoted, quotes doubled, line breaks kept
// inside the field; Group is the database's name.
#include "export_format.h"

namespace {

void append_field(SecretBuffer& out, std::string_view text) {
  out.append('"');
  for (const char c : text) {
    out.append(c);
    if (c == '"') {
      out.append('"');
    }
  }
  out.append('"');
}

class KeePassXcCsvFormat : public ExportFormat {
public:
  explicit KeePassXcCsvFormat(const ExportContext& context) : label_(context.label) {}

  void begin(SecretBuffer& out) override {
    out.append("\"Group\",\"Title\",\"Username\",\"Password\",\"URL\",\"Notes\"\n");
  }

  void add(const ExportedCategory& category, SecretBuffer& out) override {
    append_field(out, label_);
    out.append(',');
    append_field(out, category.name);
    out.append(",\"\",\"\",\"\",");
    append_field(out, category.text);
    out.append('\n');
  }

private:
  const std::string label_;
};

} // namespace

std::unique_ptr<ExportFormat> make_keepassxc_csv_format(const ExportContext& context) {
  return std::make_unique<KeePassXcCsvFormat>(context);
}
