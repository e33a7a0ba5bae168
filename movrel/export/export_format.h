// The formats movrel export writes, behind one interface. The walk over the
// categories (category_walk.h) decrypts each chosen category and hands it to
// the format, which appends bytes to the output buffer; the walk sends them
// to their destination.
#ifndef MOVREL_MOVREL_EXPORT_EXPORT_FORMAT_H
#define MOVREL_MOVREL_EXPORT_EXPORT_FORMAT_H

#include "secret_buffer.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// What every format knows of the run.
struct ExportContext {
  std::string file;  // the database, as named on the command line
  std::string label; // its file name without folders (and without ".pdb"), well-formed UTF-8
  int32_t count = 0; // categories exported
};

// One category, decrypted. Name and text are UTF-8 (the Palm OS bytes with
// --charset raw); the text ends before the stored text's first zero byte.
struct ExportedCategory {
  int32_t index;         // in the file
  const char* palmName;  // the stored name, zero-terminated (for messages)
  std::string_view name; // valid during the call only
  std::string_view text; // valid during the call only
};

class ExportFormat {
public:
  virtual ~ExportFormat() = default;

  // Once every chosen category is known to open and before the first is
  // decrypted for writing: a format that needs more of the user asks here.
  virtual void prepare() {}

  // One document holding every category: begin, add for each, finish.
  virtual void begin(SecretBuffer& out) { (void)out; }
  virtual void add(const ExportedCategory& category, SecretBuffer& out) = 0;
  virtual void finish(SecretBuffer& out) { (void)out; }

  // With --split, one category's file: by default a document of it alone.
  virtual void add_alone(const ExportedCategory& category, SecretBuffer& out) {
    begin(out);
    add(category, out);
    finish(out);
  }

  ExportFormat() = default;
  ExportFormat(const ExportFormat&) = delete;
  ExportFormat& operator=(const ExportFormat&) = delete;
};

using FormatMaker = std::unique_ptr<ExportFormat> (*)(const ExportContext&);

// What the command line may ask of a format, known before anything is read.
struct FormatInfo {
  const char* name;
  const char* splitExtension; // of a category's own file with --split; null: one file only
  bool needsFile;             // no text for a terminal or a pipe: -o only
  FormatMaker make;           // null when this build cannot write it (kdbx without libsodium)
};

// The format called name, or null when there is none.
const FormatInfo* find_export_format(const std::string& name);

// One constructor per format, each in its own file.
std::unique_ptr<ExportFormat> make_text_format(const ExportContext& context);
std::unique_ptr<ExportFormat> make_json_format(const ExportContext& context);
std::unique_ptr<ExportFormat> make_markdown_format(const ExportContext& context);
std::unique_ptr<ExportFormat> make_keepassxc_csv_format(const ExportContext& context);
std::unique_ptr<ExportFormat> make_bitwarden_json_format(const ExportContext& context);
std::unique_ptr<ExportFormat> make_keepass_xml_format(const ExportContext& context);
std::unique_ptr<ExportFormat> make_kdbx_format(const ExportContext& context);

#endif
