// --format keepass-xml: the KeePass 2 XML interchange (keepass_xml.h),
// unencrypted; Notes carry ProtectInMemory, as KeePass marks them.
#include "export_format.h"
#include "keepass_xml.h"

namespace {

class KeePassXmlFormat : public ExportFormat {
public:
  explicit KeePassXmlFormat(const ExportContext& context)
      : label_(context.label), xml_(label_, iso_time_now()) {}

  void begin(SecretBuffer& out) override { xml_.append_head(out); }

  void add(const ExportedCategory& category, SecretBuffer& out) override {
    xml_.append_entry_start(out, category.name);
    out.append("<Value ProtectInMemory=\"True\">");
    append_xml_text(out, category.text);
    out.append("</Value>");
    KeePassXml::append_entry_end(out);
  }

  void finish(SecretBuffer& out) override { KeePassXml::append_tail(out); }

private:
  const std::string label_;
  const KeePassXml xml_;
};

} // namespace

std::unique_ptr<ExportFormat> make_keepass_xml_format(const ExportContext& context) {
  return std::make_unique<KeePassXmlFormat>(context);
}
