// movrel export: every category decrypted, in UTF-8, as text or JSON, on
// standard output or as one file per category.
#include "commands.h"
#include "data_error.h"
#include "json_string.h"
#include "options.h"
#include "palm_charset.h"
#include "safe_files.h"
#include "secret_buffer.h"
#include "typed_password.h"

#include "bytestring.h"
#include "live_secrets.h"
#include "movrelview.h"
#include "password_check.h"
#include "password_prompt.h"
#include "wipe.h"
#include "write_all.h"

#include <cstring>
#include <set>
#include <unistd.h>
#include <vector>

namespace {

struct ExportSettings {
  std::string file;   // the database, as named on the command line
  bool json = false;  // --format json
  bool raw = false;   // --charset raw: text and banner names as stored
  std::string folder; // --output DIR; empty for standard output
  bool force = false; // replace existing files in the folder
};

ExportSettings settings_from(int argc, char** argv) {
  const ParsedArgs args =
      parse_args(kExportCommand, argc, argv,
                 {{"format", true}, {"output", true}, {"charset", true}, {"force", false}});
  if (args.positional.size() != 1) {
    usage_error(kExportCommand,
                args.positional.empty() ? "missing database file" : "one database file only");
  }
  ExportSettings settings;
  settings.file = args.positional[0];
  const std::string format = args.value("format", "text");
  const std::string charset = args.value("charset", "utf8");
  if (format != "text" && format != "json") {
    usage_error(kExportCommand, "unknown format " + format);
  }
  if (charset != "utf8" && charset != "raw") {
    usage_error(kExportCommand, "unknown charset " + charset);
  }
  settings.json = format == "json";
  settings.raw = charset == "raw";
  if (settings.json && settings.raw) {
    usage_error(kExportCommand, "JSON is always UTF-8: --charset raw needs --format text");
  }
  settings.folder = args.value("output");
  if (args.has("output") && settings.folder.empty()) {
    usage_error(kExportCommand, "empty --output folder");
  }
  settings.force = args.has("force");
  if (settings.force && settings.folder.empty()) {
    usage_error(kExportCommand, "--force needs --output");
  }
  return settings;
}

// One export run. It holds every secret of the run (the password, the key,
// the decrypted text and all that is made from it) and wipes them on every
// way out: at the end, and before any error ends the process.
class ExportRun {
public:
  ExportRun(const ExportSettings& settings, const MovrelView& view, int32_t count,
            OutputFolder& folder)
      : settings_(settings), view_(view), count_(count), folder_(folder) {
    hold_stack_secret(key_, sizeof key_);
  }
  ~ExportRun() {
    wipe();
    release_secret(key_);
  }
  ExportRun(const ExportRun&) = delete;
  ExportRun& operator=(const ExportRun&) = delete;

  void run(char* password);

private:
  void to_standard_output();
  void to_folder();
  bool opens(int32_t index);
  void decrypt(int32_t index);
  void append_name(int32_t index, SecretBuffer& out) const;
  std::string utf8_name(int32_t index) const;
  void append_json_head(SecretBuffer& out) const;
  void append_json_category(int32_t index, bool first);
  void emit(SecretBuffer& out);
  std::string written() const;
  [[noreturn]] void fail(const std::string& message);
  [[noreturn]] void wrong_password(int32_t index);
  void wipe();

  const ExportSettings& settings_;
  const MovrelView& view_;
  const int32_t count_;
  OutputFolder& folder_;
  char* password_ = nullptr;
  uint16_t key_[8] = {};
  SecretBuffer text_;   // one category's decrypted text, up to its first zero byte
  SecretBuffer body_;   // the same in UTF-8 (unused with --charset raw)
  SecretBuffer output_; // bytes on their way out
  std::vector<std::string> writtenPaths_;
};

void ExportRun::run(char* password) {
  password_ = password;
  if (settings_.folder.empty()) {
    to_standard_output();
  } else {
    to_folder();
  }
  wipe();
}

// Every category is tested before anything is written, so standard output
// gets the whole export or nothing of it.
void ExportRun::to_standard_output() {
  for (int32_t index = 0; index < count_; ++index) {
    if (!opens(index)) {
      wrong_password(index);
    }
  }
  if (settings_.json) {
    append_json_head(output_);
  } else {
    output_.append((std::to_string(count_) + " categories found\n").c_str());
  }
  for (int32_t index = 0; index < count_; ++index) {
    decrypt(index);
    if (settings_.json) {
      append_json_category(index, index == 0);
    } else {
      output_.append("******* ");
      append_name(index, output_);
      output_.append(" *******\n");
      const SecretBuffer& body = settings_.raw ? text_ : body_;
      output_.append(body.data(), body.size());
      output_.append('\n');
    }
    emit(output_);
  }
  if (settings_.json) {
    output_.append(count_ > 0 ? "\n  ]\n}\n" : "]\n}\n");
  }
  emit(output_);
}

// Category by category: a failure leaves the files of earlier categories.
void ExportRun::to_folder() {
  std::set<std::string> taken;
  for (int32_t index = 0; index < count_; ++index) {
    if (!opens(index)) {
      wrong_password(index);
    }
    decrypt(index);
    if (settings_.json) {
      append_json_head(output_);
      append_json_category(index, true);
      output_.append("\n  ]\n}\n");
    } else {
      const SecretBuffer& body = settings_.raw ? text_ : body_;
      output_.append(body.data(), body.size());
    }
    // File names are UTF-8 whatever the charset of the content.
    const std::string file =
        safe_file_name(utf8_name(index), settings_.json ? ".json" : ".txt", taken);
    const std::string error =
        folder_.write_file(file, output_.data(), output_.size(), settings_.force);
    if (!error.empty()) {
      fail(error + written());
    }
    writtenPaths_.push_back(folder_.path_of(file));
    output_.clear();
  }
}

bool ExportRun::opens(int32_t index) {
  const bool match = password_opens(password_, view_.record(index).check, key_);
  secure_wipe(key_, sizeof key_);
  return match;
}

// Leaves the text in text_ and, unless raw, its UTF-8 form in body_.
void ExportRun::decrypt(int32_t index) {
  const CategoryRecord record = view_.record(index);
  text_.clear();
  body_.clear();
  password_opens(password_, record.check, key_);
  // The record lies inside an image of at most 2^31 - 1 bytes, so L fits int32_t.
  auto* plain = reinterpret_cast<uint8_t*>(text_.reserve(record.textLength));
  decipher_string(record.cipherText, plain, key_, static_cast<int32_t>(record.textLength));
  secure_wipe(key_, sizeof key_);
  // A zero byte ends the text, as in the viewer; the bytes after it are wiped.
  const void* end = memchr(plain, 0, record.textLength);
  const size_t length = end != nullptr
                            ? static_cast<size_t>(static_cast<const uint8_t*>(end) - plain)
                            : record.textLength;
  secure_wipe(plain + length, record.textLength - length);
  text_.commit(length);
  if (!settings_.raw) {
    append_palm_as_utf8(body_, text_.data(), text_.size());
  }
}

void ExportRun::append_name(int32_t index, SecretBuffer& out) const {
  const CategoryRecord record = view_.record(index);
  if (settings_.raw) {
    out.append(record.name);
  } else {
    append_palm_as_utf8(out, record.name, strlen(record.name));
  }
}

// Names are not secret: they are stored in clear.
std::string ExportRun::utf8_name(int32_t index) const {
  const CategoryRecord record = view_.record(index);
  SecretBuffer name;
  append_palm_as_utf8(name, record.name, strlen(record.name));
  return {name.data(), name.size()};
}

void ExportRun::append_json_head(SecretBuffer& out) const {
  out.append("{\n  \"file\": ");
  append_json_string(out, settings_.file.data(), settings_.file.size());
  out.append(",\n  \"categories\": [");
}

void ExportRun::append_json_category(int32_t index, bool first) {
  output_.append(first ? "\n    {\"index\": " : ",\n    {\"index\": ");
  output_.append(std::to_string(index).c_str());
  output_.append(", \"name\": ");
  SecretBuffer name;
  append_name(index, name);
  append_json_string(output_, name.data(), name.size());
  output_.append(", \"text\": ");
  append_json_string(output_, body_.data(), body_.size());
  output_.append('}');
}

void ExportRun::emit(SecretBuffer& out) {
  if (!write_all(STDOUT_FILENO, out.data(), out.size())) {
    fail("can't write to standard output");
  }
  out.clear();
}

std::string ExportRun::written() const {
  if (settings_.folder.empty()) {
    return "";
  }
  std::string list;
  for (const std::string& path : writtenPaths_) {
    list += (list.empty() ? "; written before: " : ", ") + path;
  }
  return list.empty() ? "; no file written" : list;
}

void ExportRun::fail(const std::string& message) {
  wipe();
  data_error(message);
}

void ExportRun::wrong_password(int32_t index) {
  wipe();
  // Slows down guessing, as the viewer does.
  sleep(3);
  data_error("Wrong password for category " + std::to_string(index) + " (" + utf8_name(index) +
             ")" + written());
}

void ExportRun::wipe() {
  if (password_ != nullptr) {
    wipe_password();
  }
  secure_wipe(key_, sizeof key_);
  text_.clear();
  body_.clear();
  output_.clear();
}

int run_export(int argc, char** argv) {
  const ExportSettings settings = settings_from(argc, argv);
  MovrelView view;
  const int32_t count = view.openFrom(settings.file.c_str());
  // Nothing of a damaged file is decrypted or written; the password is not asked.
  for (int32_t index = 0; index < count; ++index) {
    if (!view.recordFits(index)) {
      data_error(runs_past_end(index));
    }
  }
  OutputFolder folder;
  if (!settings.folder.empty()) {
    const std::string error = folder.open(settings.folder);
    if (!error.empty()) {
      data_error(error);
    }
  }
  char* password = read_password();
  upper_case(password);
  take_palm_form_if_it_opens(password, view, count);
  ExportRun run(settings, view, count, folder);
  run.run(password);
  return 0;
}

} // namespace

const Command kExportCommand = {
    "export", "every category decrypted, as UTF-8 text or JSON, or one file each",
    "usage: movrel export [--format text|json] [--charset utf8|raw]\n"
    "                     [--output DIR [--force]] DB\n\n"
    "Asks for the password as movrelview does and decrypts every category of the\n"
    "database DB, converting names and texts from the Palm OS character set to\n"
    "UTF-8. A wrong password leaves standard output empty; with --output, the\n"
    "files of the categories before it stay.\n\n"
    "  --format text    movrelview's layout: the count line, then per category the\n"
    "                   banner, the text and a line end (the default)\n"
    "  --format json    one JSON document: {\"file\", \"categories\": [{\"index\",\n"
    "                   \"name\", \"text\"}, ...]}\n"
    "  --charset raw    text format only: names and texts as stored, unconverted\n"
    "  --output DIR     one file per category in DIR (made with mode 0700 if absent),\n"
    "                   named from the category name: NAME.txt holding the text\n"
    "                   alone, or NAME.json holding a document of that category\n"
    "  --force          replace files that already exist in DIR\n",
    run_export};
