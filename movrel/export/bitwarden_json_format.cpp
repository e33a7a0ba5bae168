// --format bitwarden-json: Bitwarden's unencrypted JSON export, which its
// importer reads: one folder named after the database, each category a
// secure note in it.
//
// Bitwarden refuses a note whose encrypted form ("2." IV "|" data "|" MAC,
// each base64) is over 10,000 characters: that is 72 + 4 * ceil(16 *
// (floor(n / 16) + 1) / 3) for n bytes of UTF-8, at most 10,000 for n up to
// 7,439. A longer text becomes parts "NAME (1/3)" ..., cut at a line end
// where one lies in the second half of a part, else between characters.
#include "export_format.h"
#include "json_string.h"
#include "random_ids.h"
#include "shown_name.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr size_t kNoteBytes = 7439;

// Where the parts of text begin, from 0.
std::vector<size_t> part_starts(std::string_view text) {
  std::vector<size_t> starts{0};
  size_t start = 0;
  while (text.size() - start > kNoteBytes) {
    size_t end = start + kNoteBytes;
    while ((static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
      --end; // not inside a character
    }
    const size_t lineEnd = text.rfind('\n', end - 1);
    if (lineEnd != std::string_view::npos && lineEnd >= start + kNoteBytes / 2) {
      end = lineEnd + 1;
    }
    starts.push_back(end);
    start = end;
  }
  return starts;
}

class BitwardenJsonFormat : public ExportFormat {
public:
  explicit BitwardenJsonFormat(const ExportContext& context)
      : label_(context.label), folder_(random_uuid_text()) {}

  void begin(SecretBuffer& out) override {
    out.append("{\n  \"encrypted\": false,\n  \"folders\": [\n    {\"id\": \"");
    out.append(folder_.c_str());
    out.append("\", \"name\": ");
    append_json_string(out, label_.data(), label_.size());
    out.append("}\n  ],\n  \"items\": [");
  }

  void add(const ExportedCategory& category, SecretBuffer& out) override {
    const std::vector<size_t> starts = part_starts(category.text);
    const size_t parts = starts.size();
    if (parts > 1) {
      fprintf(stderr,
              "movrel export: category %d (%s) is longer than a Bitwarden note: written as %zu "
              "notes, \"%s (1/%zu)\" to \"%s (%zu/%zu)\"\n",
              category.index, shown_name(category.palmName).c_str(), parts,
              shown_name(category.palmName).c_str(), parts, shown_name(category.palmName).c_str(),
              parts, parts);
    }
    for (size_t part = 0; part < parts; ++part) {
      const size_t end = part + 1 < parts ? starts[part + 1] : category.text.size();
      SecretBuffer name;
      name.append(category.name.data(), category.name.size());
      if (parts > 1) {
        name.append((" (" + std::to_string(part + 1) + "/" + std::to_string(parts) + ")").c_str());
      }
      out.append(items_++ == 0 ? "\n    {" : ",\n    {");
      out.append(("\"id\": \"" + random_uuid_text() +
                  "\", \"organizationId\": null, \"folderId\": \"" + folder_ +
                  "\", \"type\": 2, \"reprompt\": 0, \"name\": ")
                     .c_str());
      append_json_string(out, name.data(), name.size());
      out.append(", \"notes\": ");
      append_json_string(out, category.text.data() + starts[part], end - starts[part]);
      out.append(", \"favorite\": false, \"secureNote\": {\"type\": 0}, \"collectionIds\": null}");
    }
  }

  void finish(SecretBuffer& out) override { out.append(items_ == 0 ? "]\n}\n" : "\n  ]\n}\n"); }

private:
  const std::string label_;
  const std::string folder_;
  size_t items_ = 0;
};

} // namespace

std::unique_ptr<ExportFormat> make_bitwarden_json_format(const ExportContext& context) {
  return std::make_unique<BitwardenJsonFormat>(context);
}
