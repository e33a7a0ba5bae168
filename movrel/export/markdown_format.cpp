// --format markdown: a note per category, for Obsidian and Joplin. YAML
// front matter holds the title; the text follows as a fenced code block, so
// that nothing in it reads as Markdown: every character, space, blank line
// and line break shows as stored. The fence is longer than any run of
// backticks in the text, so no line of it can close the block. A Markdown
// reader takes a carriage return for a line end.
#include "export_format.h"

#include <algorithm>
#include <string>

namespace {

// A YAML double-quoted scalar: backslash and quote escaped, control
// characters (which YAML does not allow there) as \xNN.
void append_yaml_string(SecretBuffer& out, std::string_view text) {
  static const char kHex[] = "0123456789ABCDEF";
  out.append('"');
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out.append('\\');
      out.append(c);
    } else if (byte < 0x20 || byte == 0x7F) {
      const char escape[] = {'\\', 'x', kHex[byte >> 4], kHex[byte & 0xF]};
      out.append(escape, sizeof escape);
    } else {
      out.append(c);
    }
  }
  out.append('"');
}

size_t longest_backtick_run(std::string_view text) {
  size_t longest = 0;
  size_t run = 0;
  for (const char c : text) {
    run = c == '`' ? run + 1 : 0;
    longest = std::max(longest, run);
  }
  return longest;
}

class MarkdownFormat : public ExportFormat {
public:
  void add(const ExportedCategory& category, SecretBuffer& out) override {
    if (notes_++ > 0) {
      out.append('\n');
    }
    add_alone(category, out);
  }

  // The block holds the text and a line end, so that a text ending in a line
  // end keeps it.
  void add_alone(const ExportedCategory& category, SecretBuffer& out) override {
    out.append("---\ntitle: ");
    append_yaml_string(out, category.name);
    out.append("\n---\n\n");
    const std::string fence(std::max<size_t>(3, longest_backtick_run(category.text) + 1), '`');
    out.append(fence.c_str());
    out.append('\n');
    out.append(category.text.data(), category.text.size());
    out.append('\n');
    out.append(fence.c_str());
    out.append('\n');
  }

private:
  int32_t notes_ = 0;
};

} // namespace

std::unique_ptr<ExportFormat> make_markdown_format(const ExportContext& context) {
  (void)context;
  return std::make_unique<MarkdownFormat>();
}
