// movrel recover: finds a forgotten password from a category's check value,
// trying the candidates of a mask, a wordlist, or both, on every core.
#include "attack.h"
#include "found.h"
#include "numbers.h"
#include "search.h"

#include "commands.h"
#include "data_error.h"
#include "open_database.h"
#include "options.h"

#include "keysearch.h"
#include "movrelview.h"
#include "shard.h"
#include "wipe.h"
#include "workers.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <unistd.h>

namespace {

constexpr unsigned kMaxThreads = 1024;

// A bad value on the command line: one line, status 2, nothing done.
[[noreturn]] void bad_input(const std::string& message) {
  fprintf(stderr, "movrel recover: %s\n", message.c_str());
  exit(2);
}

Scope parse_shard(const std::string& text) {
  Scope scope;
  const size_t slash = text.find('/');
  uint64_t index = 0;
  if (slash == std::string::npos ||
      !parse_count(text.substr(slash + 1), 1, UINT64_MAX / 2, scope.count) ||
      !parse_count(text.substr(0, slash), 1, scope.count, index)) {
    bad_input("bad shard " + text + ": give I/N with 1 <= I <= N");
  }
  scope.pick = index - 1;
  return scope;
}

AttackOptions attack_options(const ParsedArgs& args) {
  AttackOptions options;
  options.hasMask = args.has("mask");
  options.mask.mask = args.value("mask");
  for (int i = 0; i < 4; ++i) {
    const std::string name = "custom-charset" + std::to_string(i + 1);
    options.mask.charsetGiven[i] = args.has(name.c_str());
    options.mask.charsets[i] = args.value(name.c_str());
  }
  options.wordlist = args.value("wordlist");
  if (args.has("wordlist") && options.wordlist.empty()) {
    bad_input("empty --wordlist: give a file, or - for standard input");
  }
  options.increment = args.has("increment");
  const auto bound = [&](const char* name, bool& given, uint64_t& value) {
    given = args.has(name);
    if (given && !options.increment) {
      usage_error(kRecoverCommand, std::string("--") + name + " goes with --increment");
    }
    if (given && !parse_count(args.value(name), 0, 16, value)) {
      bad_input(std::string("bad --") + name + " " + args.value(name) + ": give 0 to 16");
    }
  };
  bound("increment-min", options.hasIncrementMin, options.incrementMin);
  bound("increment-max", options.hasIncrementMax, options.incrementMax);
  return options;
}

// h:mm:ss
std::string clock_time(double seconds) {
  const auto whole = static_cast<unsigned long long>(seconds);
  char text[32];
  snprintf(text, sizeof text, "%llu:%02llu:%02llu", whole / 3600, whole / 60 % 60, whole % 60);
  return text;
}

void show_progress(uint64_t tried, uint64_t total, double seconds) {
  const double rate = seconds > 0 ? static_cast<double>(tried) / seconds : 0;
  if (total == kUnknownSize) {
    fprintf(stderr, "\r%llu tried, %.1f M/s, %s elapsed ", static_cast<unsigned long long>(tried),
            rate / 1e6, clock_time(seconds).c_str());
  } else {
    const double left = rate > 0 ? static_cast<double>(total - tried) / rate : 0;
    fprintf(stderr, "\r%llu of %llu tried (%.1f%%), %.1f M/s, %s elapsed, %s left ",
            static_cast<unsigned long long>(tried), static_cast<unsigned long long>(total),
            total > 0 ? 100.0 * static_cast<double>(tried) / static_cast<double>(total) : 100.0,
            rate / 1e6, clock_time(seconds).c_str(), clock_time(left).c_str());
  }
  fflush(stderr);
}

// Candidates the scope holds: of a mask its slice, of a wordlist its lines
// (about one in count of them).
uint64_t scope_size(const Attack& attack, const Scope& scope) {
  uint64_t total = 0;
  for (const auto& piece : attack.pieces) {
    if (piece->size() == kUnknownSize) {
      return kUnknownSize;
    }
    const IndexRange slice = shard_range(piece->size(), scope.pick + 1, scope.count);
    uint64_t lo = piece->base() + slice.begin;
    uint64_t hi = piece->base() + slice.end;
    lo = lo > scope.lo ? lo : scope.lo;
    hi = hi < scope.hi ? hi : scope.hi;
    total += hi > lo ? hi - lo : 0;
  }
  return total;
}

int recover(int argc, char** argv) {
  const ParsedArgs args = parse_args(kRecoverCommand, argc, argv,
                                     {{"wordlist", true},
                                      {"mask", true},
                                      {"custom-charset1", true, '1'},
                                      {"custom-charset2", true, '2'},
                                      {"custom-charset3", true, '3'},
                                      {"custom-charset4", true, '4'},
                                      {"increment", false},
                                      {"increment-min", true},
                                      {"increment-max", true},
                                      {"category", true},
                                      {"threads", true},
                                      {"shard", true}});
  if (args.positional.size() != 1) {
    usage_error(kRecoverCommand,
                args.positional.empty() ? "missing database file" : "more than one database file");
  }
  if (!args.has("mask") && !args.has("wordlist")) {
    usage_error(kRecoverCommand, "give --wordlist, --mask or both");
  }
  if (args.has("increment") && !args.has("mask")) {
    usage_error(kRecoverCommand, "--increment goes with --mask");
  }
  uint64_t category = 0;
  if (args.has("category") && !parse_count(args.value("category"), 0, INT32_MAX, category)) {
    bad_input("bad category index " + args.value("category"));
  }
  uint64_t threads = available_processors();
  if (args.has("threads") && !parse_count(args.value("threads"), 1, kMaxThreads, threads)) {
    bad_input("bad thread count " + args.value("threads") + ": give 1 to " +
              std::to_string(kMaxThreads));
  }
  const Scope scope = args.has("shard") ? parse_shard(args.value("shard")) : Scope{};
  Attack attack;
  std::string error;
  if (!add_attack(attack_options(args), "", attack, error)) {
    bad_input(error);
  }
  if (attack.lowerFolded) {
    fputs("movrel recover: ?l is searched as ?u: letters are upper-cased before a key is "
          "made, so a-z and A-Z open the same notes\n",
          stderr);
  }

  MovrelView view;
  const int32_t count = open_database(view, args.positional[0]);
  if (category >= static_cast<uint64_t>(count)) {
    bad_input("category " + std::to_string(category) + " out of range: the database has " +
              std::to_string(count) + (count == 1 ? " category" : " categories"));
  }
  const CategoryRecord target = view.record(static_cast<int32_t>(category));
  if (!target.headerFits) {
    data_error(runs_past_end(static_cast<int>(category)));
  }

  SearchSetup setup;
  check_words(target.check, setup.check);
  setup.path = ecb_best_path();
  setup.scope = scope;
  setup.threads = static_cast<unsigned>(threads);
  const bool showProgress = isatty(STDERR_FILENO) != 0;
  const auto start = std::chrono::steady_clock::now();
  Search search(attack.pieces, setup);
  search.start();
  for (bool ended = false; !ended;) {
    ended = search.wait_for(std::chrono::milliseconds(250));
    if (showProgress) {
      show_progress(
          search.tried(), scope_size(attack, scope),
          std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
  }
  if (showProgress) {
    fputs("\n", stderr);
  }
  if (!search.error().empty()) {
    bad_input(search.error());
  }
  unsigned char password[16] = {};
  size_t length = 0;
  const uint64_t found = search.found(password, length);
  const uint64_t total = attack.size();
  if (found == kNoIndex) {
    std::string where;
    if (scope.count > 1) {
      where = " (shard " + std::to_string(scope.pick + 1) + "/" + std::to_string(scope.count) +
              " of " + std::to_string(total) + " candidates)";
    }
    fprintf(stderr, "movrel recover: not found: %llu %s tried%s\n",
            static_cast<unsigned long long>(search.tried()), candidates_word(search.tried()),
            where.c_str());
    return 1;
  }
  const bool written = report_found(view, count, password, length);
  secure_wipe(password, sizeof password);
  if (!written) {
    data_error("can't write to standard output");
  }
  // Counted from 1 for the reader.
  const uint64_t position = found + 1;
  fprintf(stderr, "movrel recover: found: candidate %llu",
          static_cast<unsigned long long>(position));
  if (total != kUnknownSize) {
    fprintf(stderr, " of %llu", static_cast<unsigned long long>(total));
  }
  fputs("\n", stderr);
  return 0;
}

// Memory that runs out (a table, a block of the wordlist, a thread) ends the
// run with a line, never an abort.
int run_recover(int argc, char** argv) {
  try {
    return recover(argc, argv);
  } catch (const std::bad_alloc&) {
    bad_input("out of memory");
  }
}

} // namespace

const Command kRecoverCommand = {
    "recover", "find a forgotten password from a category's check value",
    "usage: movrel recover DB (--mask MASK | --wordlist FILE [--mask MASK])\n"
    "                         [-1 SET] [-2 SET] [-3 SET] [-4 SET]\n"
    "                         [--increment [--increment-min N] [--increment-max N]]\n"
    "                         [--category N] [--threads N] [--shard I/N]\n"
    "\n"
    "Tries candidate passwords against the check value of category N (default 0)\n"
    "and prints the first that fits, with the categories it opens.\n"
    "\n"
    "  --mask MASK      one position per class, as hashcat writes them:\n"
    "                   ?l ?u  A-Z (lower case folds: a password is upper-cased)\n"
    "                   ?d     0-9             ?h ?H  0-9 A-F\n"
    "                   ?s     symbols, space  ?a     ?u?d?s\n"
    "                   ?b     0x01-0xFF but a-z\n"
    "                   ?x     the high bytes 0x80-0xFF\n"
    "                   ?1-?4  a custom charset  ?w  the word (with --wordlist)\n"
    "                   ??     a ?; any other character is itself\n"
    "  -1 .. -4 SET     custom charsets (--custom-charset1 .. 4) of characters and\n"
    "                   classes, used as ?1 .. ?4\n"
    "  --wordlist FILE  one word a line (- for standard input), read as it comes;\n"
    "                   with --mask, ?w places the word: ?w?d?d, ?d?w\n"
    "  --increment      every length of the mask from 0 (the empty password) on;\n"
    "                   --increment-min N and --increment-max N bound it\n"
    "  --category N     test against category N instead of 0\n"
    "  --threads N      threads to run (default: every core this process may use)\n"
    "  --shard I/N      only the I-th of N slices of the candidates (1 <= I <= N)\n"
    "\n"
    "UTF-8 in a mask, charset or wordlist line is tried as the Palm bytes of its\n"
    "characters (café as CAF and 0xE9) and as its raw bytes.\n"
    "\n"
    "Exit status: 0 found, 1 not found (or a damaged file), 2 bad arguments.\n",
    run_recover};
