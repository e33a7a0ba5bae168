// --format json: movrel's own document, {"file", "categories": [{"index",
// "name", "text"}, ...]}; a category's own file holds a document of it alone.
#include "export_format.h"
#include "json_string.h"

#include <string>

namespace {

class JsonFormat : public ExportFormat {
public:
  explicit JsonFormat(const ExportContext& context) : file_(context.file) {}

  void begin(SecretBuffer& out) override {
    out.append("{\n  \"file\": ");
    append_json_string(out, file_.data(), file_.size());
    out.append(",\n  \"categories\": [");
    first_ = true;
  }

  void add(const ExportedCategory& category, SecretBuffer& out) override {
    out.append(first_ ? "\n    {\"index\": " : ",\n    {\"index\": ");
    first_ = false;
    out.append(std::to_string(category.index).c_str());
    out.append(", \"name\": ");
    append_json_string(out, category.name.data(), category.name.size());
    out.append(", \"text\": ");
    append_json_string(out, category.text.data(), category.text.size());
    out.append('}');
  }

  void finish(SecretBuffer& out) override { out.append(first_ ? "]\n}\n" : "\n  ]\n}\n"); }

private:
  const std::string file_;
  bool first_ = true;
};

} // namespace

std::unique_ptr<ExportFormat> make_json_format(const ExportContext& context) {
  return std::make_unique<JsonFormat>(context);
}
