// movrel export: the chosen categories decrypted, in UTF-8, in one of the
// formats of export_format.h, to standard output, one file, or a file each.
#include "category_walk.h"
#include "export_format.h"
#include "safe_files.h"

#include "commands.h"
#include "data_error.h"
#include "open_database.h"
#include "options.h"
#include "palm_charset.h"
#include "typed_password.h"
#include "utf8_text.h"

#include "movrelview.h"
#include "password_prompt.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct ExportSettings {
  std::string file;                 // the database, as named on the command line
  std::string format = "text";      // --format
  const FormatInfo* info = nullptr; // that format
  bool raw = false;                 // --charset raw: text and banner names as stored
  ExportTarget::Kind to = ExportTarget::Kind::StandardOutput;
  std::string path;                    // -o FILE or --split DIR
  bool force = false;                  // replace existing files
  std::vector<std::string> categories; // --category, as given
};

ExportSettings settings_from(int argc, char** argv) {
  const ParsedArgs args = parse_args(kExportCommand, argc, argv,
                                     {{"format", true},
                                      {"output", true, 'o'},
                                      {"split", true},
                                      {"charset", true},
                                      {"force", false},
                                      {"category", true}});
  if (args.positional.size() != 1) {
    usage_error(kExportCommand,
                args.positional.empty() ? "missing database file" : "one database file only");
  }
  ExportSettings settings;
  settings.file = args.positional[0];
  settings.format = args.value("format", "text");
  const std::string charset = args.value("charset", "utf8");
  settings.info = find_export_format(settings.format);
  if (settings.info == nullptr) {
    usage_error(kExportCommand, "unknown format " + settings.format);
  }
  if (settings.info->make == nullptr) {
    usage_error(kExportCommand, "this movrel was built without libsodium, so without --format " +
                                    settings.format +
                                    ": install libsodium-dev (Debian) and build it again");
  }
  if (charset != "utf8" && charset != "raw") {
    usage_error(kExportCommand, "unknown charset " + charset);
  }
  settings.raw = charset == "raw";
  if (settings.raw && settings.format != "text") {
    usage_error(kExportCommand, "only text can be raw: --charset raw needs --format text");
  }
  if (args.has("output") && args.has("split")) {
    usage_error(kExportCommand, "-o writes one file, --split a file per category: choose one");
  }
  if (args.has("output") || args.has("split")) {
    settings.to = args.has("output") ? ExportTarget::Kind::File : ExportTarget::Kind::Split;
    settings.path = args.value(args.has("output") ? "output" : "split");
    if (settings.path.empty()) {
      usage_error(kExportCommand, args.has("output") ? "empty -o file" : "empty --split folder");
    }
  }
  if (settings.to == ExportTarget::Kind::Split && settings.info->splitExtension == nullptr) {
    usage_error(kExportCommand, "--split writes text, json and markdown; --format " +
                                    settings.format + " is one file: use -o FILE");
  }
  if (settings.to == ExportTarget::Kind::StandardOutput && settings.info->needsFile) {
    usage_error(kExportCommand, "--format " + settings.format + " needs -o FILE");
  }
  settings.force = args.has("force");
  if (settings.force && settings.to == ExportTarget::Kind::StandardOutput) {
    usage_error(kExportCommand, "--force needs -o or --split");
  }
  for (const ParsedOption& option : args.options) {
    if (option.name == "category") {
      if (option.value.empty()) {
        usage_error(kExportCommand, "empty --category");
      }
      settings.categories.push_back(option.value);
    }
  }
  return settings;
}

// The database's file name without its folders and a ".pdb" ending, as
// well-formed UTF-8 without control characters (U+FFFD for any other byte):
// the name of the group, folder or file the notes land in.
std::string label_of(const std::string& file) {
  std::string name = file.substr(file.find_last_of('/') + 1);
  if (name.size() > 4 && strcasecmp(name.c_str() + name.size() - 4, ".pdb") == 0) {
    name.resize(name.size() - 4);
  }
  std::string label;
  const auto* bytes = reinterpret_cast<const uint8_t*>(name.data());
  for (size_t i = 0; i < name.size();) {
    const size_t length = utf8_sequence_length(bytes + i, name.size() - i);
    const bool control = length == 1 && (bytes[i] < 0x20 || bytes[i] == 0x7F);
    label += length == 0 || control ? std::string("\xEF\xBF\xBD") : name.substr(i, length);
    i += length == 0 ? 1 : length;
  }
  return label;
}

// Names are stored in clear: one scratch buffer serves every call.
std::string utf8_name(const MovrelView& view, int32_t index) {
  static SecretBuffer name;
  const CategoryRecord record = view.record(index);
  name.clear();
  append_palm_as_utf8(name, record.name, strlen(record.name));
  return {name.data(), name.size()};
}

// The categories --category names, in file order and each once; all of them
// without --category. A word of digits is an index when there is such a
// category, otherwise (like any other word) a name, in UTF-8.
std::vector<int32_t> chosen_categories(const ExportSettings& settings, const MovrelView& view,
                                       int32_t count) {
  std::vector<int32_t> chosen;
  if (settings.categories.empty()) {
    for (int32_t index = 0; index < count; ++index) {
      chosen.push_back(index);
    }
    return chosen;
  }
  std::vector<bool> taken(static_cast<size_t>(count), false);
  for (const std::string& word : settings.categories) {
    const bool digits = word.size() < 10 && std::all_of(word.begin(), word.end(), [](char c) {
                          return c >= '0' && c <= '9';
                        });
    bool found = false;
    if (digits && std::stol(word) < count) {
      taken[static_cast<size_t>(std::stol(word))] = found = true;
    }
    for (int32_t index = 0; index < count && !(digits && found); ++index) {
      if (utf8_name(view, index) == word) {
        taken[static_cast<size_t>(index)] = found = true;
      }
    }
    if (!found) {
      data_error("no category " + word + " in " + settings.file);
    }
  }
  for (int32_t index = 0; index < count; ++index) {
    if (taken[static_cast<size_t>(index)]) {
      chosen.push_back(index);
    }
  }
  return chosen;
}

// Opens the destination and refuses, before the password is asked, a file
// that is already there (unless --force).
void open_target(const ExportSettings& settings, const MovrelView& view,
                 const std::vector<int32_t>& chosen, OutputFolder& folder, ExportTarget& target) {
  target.kind = settings.to;
  target.force = settings.force;
  target.folder = &folder;
  std::vector<std::string> names;
  if (settings.to == ExportTarget::Kind::File) {
    const size_t slash = settings.path.find_last_of('/');
    const std::string where = slash == std::string::npos ? "."
                              : slash == 0               ? "/"
                                                         : settings.path.substr(0, slash);
    target.fileName = settings.path.substr(slash + 1);
    if (target.fileName.empty() || target.fileName == "." || target.fileName == "..") {
      usage_error(kExportCommand, "-o needs a file name, not a folder: " + settings.path);
    }
    names.push_back(target.fileName);
    const std::string error = folder.open(where, false);
    if (!error.empty()) {
      data_error(error);
    }
  } else if (settings.to == ExportTarget::Kind::Split) {
    const std::string error = folder.open(settings.path, true);
    if (!error.empty()) {
      data_error(error);
    }
    FileNamer namer;
    for (const int32_t index : chosen) {
      target.splitNames.push_back(
          namer.next(utf8_name(view, index), settings.info->splitExtension));
    }
    names = target.splitNames;
  }
  for (const std::string& name : names) {
    if (!settings.force && folder.has(name)) {
      data_error(folder.path_of(name) + " already exists (--force replaces it)");
    }
  }
}

int run_export(int argc, char** argv) {
  const ExportSettings settings = settings_from(argc, argv);
  MovrelView view;
  const int32_t count = open_database(view, settings.file);
  const std::vector<int32_t> chosen = chosen_categories(settings, view, count);
  // Nothing of a damaged record is decrypted or written; the password is not asked.
  for (const int32_t index : chosen) {
    if (!view.recordFits(index)) {
      data_error(runs_past_end(index));
    }
  }
  ExportContext context;
  context.file = settings.file;
  context.label = label_of(settings.file);
  context.count = static_cast<int32_t>(chosen.size());
  const std::unique_ptr<ExportFormat> format = settings.info->make(context);
  OutputFolder folder;
  ExportTarget target;
  open_target(settings, view, chosen, folder, target);
  char* password = read_password();
  upper_case(password);
  if (!chosen.empty()) {
    take_palm_form_if_it_opens(password, view.record(chosen.front()).check);
  }
  export_categories(view, chosen, *format, settings.raw, target, password);
  return 0;
}

} // namespace

const Command kExportCommand = {
    "export", "categories decrypted into text, JSON, Markdown, KeePass or Bitwarden files",
    "usage: movrel export [--format FORMAT] [--charset utf8|raw] [--category N|NAME]...\n"
    "                     [-o FILE | --split DIR] [--force] DB\n\n"
    "Asks for the password as movrelview does and decrypts the categories of the\n"
    "database DB (all, or those --category names), converting names and texts\n"
    "from the Palm OS character set to UTF-8. Every chosen category is tested\n"
    "first: a wrong password for any of them writes nothing.\n\n"
    "Formats (--format):\n"
    "  text            movrelview's layout: the count line, then per category the\n"
    "                  banner, the text and a line end (the default)\n"
    "  json            {\"file\", \"categories\": [{\"index\", \"name\", \"text\"}, ...]}\n"
    "  markdown        a note per category for Obsidian or Joplin: YAML front\n"
    "                  matter with its title, then its text as a fenced block, so\n"
    "                  that it reads as stored\n"
    "  kdbx            a KeePass 2 database (KDBX 4: ChaCha20, Argon2id over 64 MiB,\n"
    "                  10 passes, 1 lane), one group named after DB, one entry per\n"
    "                  category: Title its name, Notes its text (protected); asks\n"
    "                  twice for the new master password; needs -o\n"
    "  keepass-xml     KeePass 2 XML, imported by KeePassXC, Bitwarden, Proton Pass\n"
    "  keepassxc-csv   the CSV KeePassXC imports: \"Group\",\"Title\",\"Username\",\n"
    "                  \"Password\",\"URL\",\"Notes\"\n"
    "  bitwarden-json  Bitwarden's unencrypted JSON: a folder named after DB, a\n"
    "                  secure note per category; a text too long for one note\n"
    "                  becomes NAME (1/N) ... NAME (N/N), with a warning\n\n"
    "  --charset raw      text only: names and texts as stored, unconverted\n"
    "  --category N|NAME  only category N (its index in movrel list) or those\n"
    "                     named NAME; may be repeated\n"
    "  -o, --output FILE  one file, mode 0600, written to a temporary file beside\n"
    "                     it and renamed into place\n"
    "  --split DIR        text, json, markdown: a file per category in DIR (made\n"
    "                     with mode 0700 if absent), named after the category\n"
    "  --force            replace an existing file (a link there is replaced, not\n"
    "                     followed)\n\n"
    "Without -o or --split the export goes to standard output. In XML, a control\n"
    "character other than tab and line end becomes U+FFFD (kdbx Notes keep all).\n",
    run_export};
