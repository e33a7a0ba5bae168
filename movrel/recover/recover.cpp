// movrel recover: finds a forgotten password from a category's check value,
// trying candidates from a wordlist or a mask on every core.
#include "commands.h"
#include "mask.h"
#include "options.h"
#include "search.h"
#include "wordlist.h"

#include "keysearch.h"
#include "maskspace.h"
#include "movrelview.h"
#include "myfile.h"
#include "password_check.h"
#include "shard.h"
#include "wipe.h"
#include "workers.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr unsigned kMaxThreads = 1024;

// Candidates a thread takes at a time: a few milliseconds of work on the
// vector paths, so that threads finish together and a find stops them soon.
constexpr uint64_t kMaskChunk = uint64_t{1} << 20;
constexpr uint64_t kWordlistChunk = uint64_t{1} << 14;

// A bad value on the command line: one line, status 2, nothing done.
[[noreturn]] void bad_input(const std::string& message) {
  fprintf(stderr, "movrel recover: %s\n", message.c_str());
  exit(2);
}

// A decimal number in [low, high], or false.
bool parse_number(const std::string& text, uint64_t low, uint64_t high, uint64_t& value) {
  if (text.empty() || text.size() > 19 ||
      text.find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  value = std::strtoull(text.c_str(), nullptr, 10);
  return value >= low && value <= high;
}

struct Shard {
  uint64_t index = 1;
  uint64_t count = 1;
};

Shard parse_shard(const std::string& text) {
  Shard shard;
  const size_t slash = text.find('/');
  if (slash == std::string::npos ||
      !parse_number(text.substr(slash + 1), 1, UINT64_MAX / 2, shard.count) ||
      !parse_number(text.substr(0, slash), 1, shard.count, shard.index)) {
    bad_input("bad shard " + text + ": give I/N with 1 <= I <= N");
  }
  return shard;
}

// The candidates of either source, by index.
struct Candidates {
  std::unique_ptr<MaskSpace> mask;
  std::unique_ptr<Wordlist> wordlist;

  uint64_t size() const { return mask ? mask->size() : wordlist->size(); }
  size_t get(uint64_t index, unsigned char chars[16]) const {
    return mask ? mask->candidate(index, chars) : wordlist->candidate(index, chars);
  }
  uint64_t first_match(EcbPath path, uint64_t begin, uint64_t end, const uint16_t check[4]) const {
    return mask ? mask->first_match(path, begin, end, check)
                : wordlist->first_match(path, begin, end, check);
  }
};

Candidates load_candidates(const ParsedArgs& args) {
  Candidates candidates;
  if (args.has("mask")) {
    std::vector<std::string> positions;
    std::string error;
    if (!parse_mask(args.value("mask"), positions, error)) {
      bad_input(error);
    }
    const size_t shortest = args.has("increment") ? 1 : positions.size();
    candidates.mask = std::make_unique<MaskSpace>(positions, shortest);
    if (!candidates.mask->fits()) {
      bad_input("mask " + args.value("mask") + " has more than 2^64 - 1 candidates");
    }
  } else {
    candidates.wordlist = std::make_unique<Wordlist>();
    if (!candidates.wordlist->load(args.value("wordlist"))) {
      bad_input("cannot read wordlist " + args.value("wordlist") + ": " + strerror(errno));
    }
  }
  return candidates;
}

// The found password, printed with the categories it opens; every copy made
// here is wiped.
void report_found(const MovrelView& view, int32_t count, const char* password) {
  fputs(password, stdout);
  fputs("\n", stdout);
  for (int32_t index = 0; index < count; ++index) {
    const CategoryRecord record = view.record(index);
    if (!record.headerFits) {
      printf("cannot check category %d: it runs past the end of the file\n", index);
      continue;
    }
    uint16_t key[8];
    const bool opens = password_opens(password, record.check, key);
    secure_wipe(key, sizeof key);
    printf("%s category %d: %s\n", opens ? "opens" : "does not open", index, record.name);
  }
}

// Found passwords pass through stdout's buffer; keeping it here lets it be
// wiped once flushed.
char stdout_buffer[1 << 12];

int run_recover(int argc, char** argv) {
  const ParsedArgs args = parse_args(kRecoverCommand, argc, argv,
                                     {{"wordlist", true},
                                      {"mask", true},
                                      {"increment", false},
                                      {"category", true},
                                      {"threads", true},
                                      {"shard", true}});
  if (args.positional.size() != 1) {
    usage_error(kRecoverCommand,
                args.positional.empty() ? "missing database file" : "more than one database file");
  }
  if (args.has("mask") == args.has("wordlist")) {
    usage_error(kRecoverCommand, "give either --wordlist or --mask");
  }
  if (args.has("increment") && !args.has("mask")) {
    usage_error(kRecoverCommand, "--increment goes with --mask");
  }
  uint64_t category = 0;
  if (args.has("category") && !parse_number(args.value("category"), 0, INT32_MAX, category)) {
    bad_input("bad category index " + args.value("category"));
  }
  uint64_t threads = available_processors();
  if (args.has("threads") && !parse_number(args.value("threads"), 1, kMaxThreads, threads)) {
    bad_input("bad thread count " + args.value("threads") + ": give 1 to " +
              std::to_string(kMaxThreads));
  }
  const Shard shard = args.has("shard") ? parse_shard(args.value("shard")) : Shard{};
  const Candidates candidates = load_candidates(args);

  MovrelView view;
  const int32_t count = view.openFrom(args.positional[0].c_str());
  if (category >= static_cast<uint64_t>(count)) {
    bad_input("category " + std::to_string(category) + " out of range: the database has " +
              std::to_string(count) + (count == 1 ? " category" : " categories"));
  }
  const CategoryRecord target = view.record(static_cast<int32_t>(category));
  if (!target.headerFits) {
    current_src_line = 0;
    current_src_file = "";
    my_error("category %d runs past the end of the file", static_cast<int>(category));
  }
  uint16_t check[4];
  check_words(target.check, check);

  const uint64_t total = candidates.size();
  const EcbPath path = ecb_best_path();
  SearchJob job;
  job.range = shard_range(total, shard.index, shard.count);
  job.threads = static_cast<unsigned>(threads);
  job.chunk = candidates.mask ? kMaskChunk : kWordlistChunk;
  job.showProgress = isatty(STDERR_FILENO) != 0;
  job.firstMatch = [&](uint64_t begin, uint64_t end) {
    return candidates.first_match(path, begin, end, check);
  };
  job.confirm = [&](uint64_t index) {
    char password[17] = {};
    candidates.get(index, reinterpret_cast<unsigned char*>(password));
    uint16_t key[8];
    const bool opens = password_opens(password, target.check, key);
    secure_wipe(key, sizeof key);
    secure_wipe(password, sizeof password);
    return opens;
  };
  const SearchResult result = run_search(job);

  if (!result.found) {
    std::string where;
    if (shard.count > 1) {
      where = " (shard " + std::to_string(shard.index) + "/" + std::to_string(shard.count) +
              " of " + std::to_string(total) + " candidates)";
    }
    fprintf(stderr, "movrel recover: not found: %llu candidate%s tried%s\n",
            static_cast<unsigned long long>(result.tried), result.tried == 1 ? "" : "s",
            where.c_str());
    return 1;
  }
  setvbuf(stdout, stdout_buffer, _IOFBF, sizeof stdout_buffer);
  char password[17] = {};
  candidates.get(result.index, reinterpret_cast<unsigned char*>(password));
  report_found(view, count, password);
  secure_wipe(password, sizeof password);
  fflush(stdout);
  secure_wipe(stdout_buffer, sizeof stdout_buffer);
  // Counted from 1 for the reader.
  const uint64_t position = result.index + 1;
  fprintf(stderr, "movrel recover: found: candidate %llu of %llu\n",
          static_cast<unsigned long long>(position), static_cast<unsigned long long>(total));
  return 0;
}

} // namespace

const Command kRecoverCommand = {
    "recover", "find a forgotten password from a category's check value",
    "usage: movrel recover DB (--wordlist FILE | --mask MASK [--increment])\n"
    "                         [--category N] [--threads N] [--shard I/N]\n"
    "\n"
    "Tries candidate passwords against the check value of category N (default 0)\n"
    "and prints the first that fits, with the categories it opens.\n"
    "\n"
    "  --wordlist FILE  one candidate a line (- for standard input)\n"
    "  --mask MASK      one position per class: ?u A-Z, ?d 0-9, ?s symbols and\n"
    "                   space, ?a all printable but a-z, ?h 0x80-0xFF, ?? a ?,\n"
    "                   any other character itself\n"
    "  --increment      every length from 1 to the mask's\n"
    "  --threads N      threads to run (default: every core this process may use)\n"
    "  --shard I/N      only the I-th of N equal slices of the candidates (1 <= I <= N)\n"
    "\n"
    "Exit status: 0 found, 1 not found (or a damaged file), 2 bad arguments.\n",
    run_recover};
