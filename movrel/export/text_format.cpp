// --format text: the viewer's layout (the count line, then per category its
// banner, its text and a line end); a category's own file holds its text alone.
#include "export_format.h"

#include <string>

namespace {

class TextFormat : public ExportFormat {
public:
  explicit TextFormat(const ExportContext& context) : count_(context.count) {}

  void begin(SecretBuffer& out) override {
    out.append((std::to_string(count_) + " categories found\n").c_str());
  }

  void add(const ExportedCategory& category, SecretBuffer& out) override {
    out.append("******* ");
    out.append(category.name.data(), category.name.size());
    out.append(" *******\n");
    out.append(category.text.data(), category.text.size());
    out.append('\n');
  }

  void add_alone(const ExportedCategory& category, SecretBuffer& out) override {
    out.append(category.text.data(), category.text.size());
  }

private:
  const int32_t count_;
};

} // namespace

std::unique_ptr<ExportFormat> make_text_format(const ExportContext& context) {
  return std::make_unique<TextFormat>(context);
}
