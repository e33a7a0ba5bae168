// movrel list: what a database holds, read without the password (category
// names are stored in clear).
#include "commands.h"
#include "data_error.h"
#include "json_string.h"
#include "open_database.h"
#include "options.h"
#include "palm_charset.h"
#include "secret_buffer.h"
#include "shown_name.h"

#include "movrelview.h"

#include <cstdio>
#include <cstring>

namespace {

// The name in UTF-8: as shown (shown_name.h) for the table, exact for JSON.
void name_as_utf8(const CategoryRecord& record, SecretBuffer& out, bool forTable) {
  out.clear();
  if (forTable) {
    append_shown_name(out, record.name);
  } else {
    append_palm_as_utf8(out, record.name, strlen(record.name));
  }
  out.append('\0');
}

void print_table(const MovrelView& view, int32_t count) {
  SecretBuffer name;
  printf("index     offset kind     length fits name\n");
  for (int32_t index = 0; index < count; ++index) {
    const CategoryRecord record = view.record(index);
    name_as_utf8(record, name, true);
    char length[16] = "-";
    if (record.headerFits) {
      snprintf(length, sizeof length, "%u", record.textLength);
    }
    printf("%5d %10d   %02x %10s %-4s %s\n", index, record.start - kMarkerSize, record.kind, length,
           record.fits ? "yes" : "no", name.data());
  }
  printf("%d categories found\n", count);
}

void print_json(const MovrelView& view, int32_t count) {
  SecretBuffer name;
  SecretBuffer json;
  json.append("[");
  for (int32_t index = 0; index < count; ++index) {
    const CategoryRecord record = view.record(index);
    name_as_utf8(record, name, false);
    json.append(index == 0 ? "\n  {" : ",\n  {");
    const std::string fields = "\"index\": " + std::to_string(index) +
                               ", \"offset\": " + std::to_string(record.start - kMarkerSize) +
                               ", \"kind\": " + std::to_string(record.kind) + ", \"name\": ";
    json.append(fields.c_str());
    append_json_string(json, name.data(), name.size() - 1);
    const std::string rest =
        ", \"length\": " + (record.headerFits ? std::to_string(record.textLength) : "null") +
        ", \"fits\": " + (record.fits ? "true" : "false") + "}";
    json.append(rest.c_str());
  }
  json.append(count > 0 ? "\n]\n" : "]\n");
  fwrite(json.data(), 1, json.size(), stdout);
}

int run_list(int argc, char** argv) {
  const ParsedArgs args = parse_args(kListCommand, argc, argv, {{"json", false}});
  if (args.positional.size() != 1) {
    usage_error(kListCommand,
                args.positional.empty() ? "missing database file" : "one database file only");
  }
  const std::string& file = args.positional[0];
  MovrelView view;
  const int32_t count = open_database(view, file);
  if (args.has("json")) {
    print_json(view, count);
  } else if (count == 0) {
    printf("no categories found in %s\n", file.c_str());
  } else {
    print_table(view, count);
  }
  if (fflush(stdout) != 0 || ferror(stdout) != 0) {
    data_error("can't write to standard output");
  }
  // The listing shows every record; a damaged one also makes the run fail.
  for (int32_t index = 0; index < count; ++index) {
    if (!view.recordFits(index)) {
      data_error(runs_past_end(index));
    }
  }
  return 0;
}

} // namespace

const Command kListCommand = {
    "list", "the categories of a database, without the password",
    "usage: movrel list [--json] DB\n\n"
    "Lists the categories of the database DB; no password is asked. One line per\n"
    "category: its index, the byte offset of its marker, the marker kind (02 or 03),\n"
    "the text length in bytes, whether the whole record lies inside the file, and\n"
    "its name in UTF-8; then the count. A damaged record is listed, then reported\n"
    "as an error (exit status 1).\n\n"
    "  --json   the same as one JSON array of objects with the keys index, offset,\n"
    "           kind, name, length (null when not in the file) and fits\n",
    run_list};
