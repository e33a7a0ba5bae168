// movrel recover: finds a forgotten password from a category's check value,
// trying the candidates of a mask, a wordlist, both, or the built-in plan,
// on every core, in a session that an interrupted run can go on from.
#include "attack.h"
#include "found.h"
#include "numbers.h"
#include "plan.h"
#include "rate.h"
#include "search.h"
#include "session.h"
#include "status.h"

#include "commands.h"
#include "data_error.h"
#include "open_database.h"
#include "options.h"

#include "keysearch.h"
#include "live_secrets.h"
#include "movrelview.h"
#include "secret_stacks.h"
#include "shard.h"
#include "wipe.h"
#include "workers.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <unistd.h>

namespace {

constexpr unsigned kMaxThreads = 1024;
constexpr double kCheckpointSeconds = 10;
constexpr double kDefaultStatusEvery = 30;
constexpr double kSettledSeconds = 5;
constexpr auto kStep = std::chrono::milliseconds(250);

// Exit statuses beyond 0 (found) and 1 (not found, or trouble with the data).
constexpr int kBadInput = 2;
constexpr int kOutOfTime = 3;

// What makes the attack: kept in the session. The rest only says how a run
// goes, and may change from one run of a session to the next.
const char* const kAttackOptions[] = {"wordlist",
                                      "mask",
                                      "custom-charset1",
                                      "custom-charset2",
                                      "custom-charset3",
                                      "custom-charset4",
                                      "increment",
                                      "increment-min",
                                      "increment-max",
                                      "category",
                                      "shard",
                                      "skip",
                                      "limit"};

[[noreturn]] void bad_input(const std::string& message) {
  fprintf(stderr, "movrel recover: %s\n", message.c_str());
  exit(kBadInput);
}

// The ending signals a search saves its session at, and Ctrl-Z's return.
volatile sig_atomic_t endingSignal = 0;
volatile sig_atomic_t continued = 0;

// On the thread's signal stack, as the ending handlers run (live_secrets.h):
// a second signal ends the run at once through them.
extern "C" MOVREL_SIGNAL_PATH void on_search_ending_signal(int sig, siginfo_t* info,
                                                           void* context) {
  if (endingSignal != 0) {
    end_by_signal(sig, info, context); // a second one: no waiting for the save
  }
  endingSignal = sig;
}

extern "C" void on_continue_signal(int /*sig*/) {
  continued = 1;
}

void watch_signals() {
  struct sigaction action {};
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART | SA_SIGINFO | SA_ONSTACK;
  action.sa_sigaction = on_search_ending_signal;
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction old {};
    // A signal the caller chose to ignore stays ignored (nohup).
    if (sigaction(sig, nullptr, &old) == 0 && old.sa_handler != SIG_IGN) {
      sigaction(sig, &action, nullptr);
    }
  }
  struct sigaction onContinue {};
  sigemptyset(&onContinue.sa_mask);
  onContinue.sa_flags = SA_RESTART;
  onContinue.sa_handler = on_continue_signal;
  sigaction(SIGCONT, &onContinue, nullptr);
}

bool is_attack_option(const std::string& name) {
  for (const char* attack : kAttackOptions) {
    if (name == attack) {
      return true;
    }
  }
  return false;
}

std::string absolute(const std::string& path) {
  char* resolved = realpath(path.c_str(), nullptr);
  std::string result = resolved != nullptr ? resolved : path;
  free(resolved);
  return result;
}

Scope parse_scope(const ParsedArgs& args) {
  Scope scope;
  if (args.has("shard")) {
    const std::string text = args.value("shard");
    const size_t slash = text.find('/');
    uint64_t index = 0;
    if (slash == std::string::npos ||
        !parse_count(text.substr(slash + 1), 1, UINT64_MAX / 2, scope.count) ||
        !parse_count(text.substr(0, slash), 1, scope.count, index)) {
      bad_input("bad shard " + text + ": give I/N with 1 <= I <= N");
    }
    scope.pick = index - 1;
  }
  uint64_t limit = 0;
  if (args.has("skip") && !parse_count(args.value("skip"), 0, UINT64_MAX, scope.lo)) {
    bad_input("bad --skip " + args.value("skip") + ": give a count of candidates");
  }
  if (args.has("limit") && !parse_count(args.value("limit"), 1, UINT64_MAX, limit)) {
    bad_input("bad --limit " + args.value("limit") + ": give a count of candidates, 1 or more");
  }
  if (args.has("limit") && __builtin_add_overflow(scope.lo, limit, &scope.hi)) {
    scope.hi = UINT64_MAX;
  }
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
  if (options.increment && !options.hasMask) {
    usage_error(kRecoverCommand, "--increment goes with --mask");
  }
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

// The attack of args, or the plan when they give none.
void build_attack(const ParsedArgs& args, Attack& attack) {
  std::string error;
  const bool given = args.has("mask") || args.has("wordlist");
  const bool built = given ? add_attack(attack_options(args), "", attack, error)
                           : add_plan(attack, system_dictionary(), error);
  if (!built) {
    bad_input(error);
  }
  if (attack.lowerFolded) {
    fputs("movrel recover: ?l is searched as ?u: letters are upper-cased before a key is "
          "made, so a-z and A-Z open the same notes\n",
          stderr);
  }
}

std::string about(uint64_t count, double rate) {
  return rate > 0 ? "about " + rough_time(static_cast<double>(count) / rate) : "time unknown";
}

std::string rate_text(double rate) {
  char text[32];
  snprintf(text, sizeof text, "%.0f M/s", rate / 1e6);
  return text;
}

std::string stage_line(const Attack& attack, size_t stage, double rate) {
  const uint64_t size = attack.stage_size(stage);
  std::string text = "stage " + std::to_string(stage + 1) + " of " +
                     std::to_string(attack.stages.size()) + ": " + attack.stages[stage].title;
  if (size != kUnknownSize) {
    text += ": " + grouped(size) + " " + candidates_word(size) + ", " + about(size, rate) + " at " +
            rate_text(rate);
  }
  return text;
}

// --keyspace: the count on standard output, the time it takes on standard
// error. A stream is read to its end to count it.
int print_keyspace(Attack& attack, unsigned threads) {
  for (const auto& piece : attack.pieces) {
    Unit unit;
    while (piece->size() == kUnknownSize && piece->next(Scope(), unit)) {
    }
    if (!piece->error().empty()) {
      bad_input(piece->error());
    }
  }
  const uint64_t total = attack.size();
  if (total == kUnknownSize) {
    bad_input("the attack has more than 2^64 - 1 candidates");
  }
  printf("%llu\n", static_cast<unsigned long long>(total));
  fflush(stdout);
  const double rate = measured_rate(ecb_best_path(), threads);
  for (size_t stage = 0; attack.stages.size() > 1 && stage < attack.stages.size(); ++stage) {
    fprintf(stderr, "movrel recover: %s\n", stage_line(attack, stage, rate).c_str());
  }
  fprintf(stderr, "movrel recover: %s at %s on this machine (%u %s, %s)\n",
          about(total, rate).c_str(), rate_text(rate).c_str(), threads,
          threads == 1 ? "thread" : "threads", ecb_path_name(ecb_best_path()));
  return 0;
}

struct RunSettings {
  unsigned threads = 1;
  bool terminal = false;
  double statusEvery = kDefaultStatusEvery;
  bool json = false;
  uint64_t maxTime = 0; // seconds; 0: none
};

RunSettings run_settings(const ParsedArgs& args) {
  RunSettings run;
  uint64_t value = available_processors();
  if (args.has("threads") && !parse_count(args.value("threads"), 1, kMaxThreads, value)) {
    bad_input("bad thread count " + args.value("threads") + ": give 1 to " +
              std::to_string(kMaxThreads));
  }
  run.threads = static_cast<unsigned>(value);
  if (args.has("status-every")) {
    if (!parse_count(args.value("status-every"), 0, uint64_t{365} * 86400, value)) {
      bad_input("bad --status-every " + args.value("status-every") + ": give seconds, 0 for none");
    }
    run.statusEvery = static_cast<double>(value);
  }
  run.json = args.has("status-json");
  run.terminal = isatty(STDERR_FILENO) != 0 && !args.has("status-every") && !run.json;
  if (args.has("max-time") && !parse_duration(args.value("max-time"), run.maxTime)) {
    bad_input("bad --max-time " + args.value("max-time") + ": give a duration such as 90m or 2h");
  }
  return run;
}

// The attack options of args, wordlist paths made absolute, for the session.
std::vector<SessionOption> attack_of(const ParsedArgs& args) {
  std::vector<SessionOption> options;
  for (const ParsedOption& option : args.options) {
    if (is_attack_option(option.name)) {
      const bool file = option.name == "wordlist" && option.value != "-";
      options.push_back(
          {option.name, file ? absolute(option.value) : option.value, option.name != "increment"});
    }
  }
  return options;
}

ParsedArgs args_of(const SessionState& state) {
  ParsedArgs args;
  for (const SessionOption& option : state.options) {
    args.options.push_back({option.name, option.value});
  }
  args.positional.push_back(state.database.path);
  return args;
}

// At --restore: the files must be those the session searched.
void check_files(const SessionState& state, const Fingerprint& database, const Attack& attack,
                 const Session& session) {
  const std::string kept =
      ": the search cannot go on (the session is kept: " + session.path() + ")";
  if (!(database == state.database.print)) {
    bad_input("the database " + state.database.path + " has changed since session " +
              session.name() + " was saved" + kept);
  }
  if (state.wordlists.size() != attack.wordlists.size()) {
    bad_input("the wordlist files of session " + session.name() + " have changed" + kept);
  }
  for (size_t i = 0; i < state.wordlists.size(); ++i) {
    if (!(attack.wordlists[i].print == state.wordlists[i].print)) {
      bad_input("the wordlist " + state.wordlists[i].path + " has changed since session " +
                session.name() + " was saved" + kept);
    }
  }
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
                                      {"shard", true},
                                      {"skip", true},
                                      {"limit", true},
                                      {"keyspace", false},
                                      {"session", true},
                                      {"restore", false},
                                      {"status-every", true},
                                      {"status-json", false},
                                      {"max-time", true}});
  const bool restore = args.has("restore");
  const bool keyspace = args.has("keyspace");
  if (restore) {
    for (const ParsedOption& option : args.options) {
      if (is_attack_option(option.name) || option.name == "keyspace") {
        usage_error(kRecoverCommand,
                    "--restore takes the search from the session: drop --" + option.name);
      }
    }
    if (!args.positional.empty()) {
      usage_error(kRecoverCommand,
                  "--restore takes the database from the session: drop " + args.positional[0]);
    }
  } else if (args.positional.size() > 1 || (args.positional.empty() && !keyspace)) {
    usage_error(kRecoverCommand,
                args.positional.empty() ? "missing database file" : "more than one database file");
  }
  const RunSettings run = run_settings(args);
  // Not dumpable, and the listed secrets (a found password) wiped on every
  // way out; Ctrl-C, SIGTERM and SIGHUP then save the session first.
  start_secret_run();

  // A build without libsodium cannot fingerprint files, and so keeps no
  // sessions: a search runs all the same, and an interrupted one says what
  // --skip goes on from.
  const bool keepSession = !keyspace && fingerprints_available();
  if (!fingerprints_available() && (restore || args.has("session"))) {
    bad_input("this movrel is built without sessions: --session and --restore need libsodium "
              "(Debian: libsodium-dev) when movrel is built");
  }
  Session session;
  SessionState state;
  std::string error;
  if (keepSession) {
    const std::string name = args.value("session", "default");
    if (!session.open(name, error) || (restore && !session.load(state, error)) ||
        !session.lock(error)) {
      bad_input(error);
    }
    if (!restore && session.exists()) {
      bad_input("session " + name + " holds an unfinished search (" + session.path() +
                "): go on with it with --restore, or give this one another --session NAME");
    }
  }
  const ParsedArgs attackArgs = restore ? args_of(state) : args;
  uint64_t category = 0;
  if (attackArgs.has("category") &&
      !parse_count(attackArgs.value("category"), 0, INT32_MAX, category)) {
    bad_input("bad category index " + attackArgs.value("category"));
  }
  Scope scope = parse_scope(attackArgs);
  Attack attack;
  build_attack(attackArgs, attack);
  if (keyspace) {
    return print_keyspace(attack, run.threads);
  }

  const std::string database = restore ? state.database.path : absolute(attackArgs.positional[0]);
  MovrelView view;
  const int32_t count = open_database(view, database);
  if (category >= static_cast<uint64_t>(count)) {
    bad_input("category " + std::to_string(category) + " out of range: the database has " +
              std::to_string(count) + (count == 1 ? " category" : " categories"));
  }
  const CategoryRecord target = view.record(static_cast<int32_t>(category));
  if (!target.headerFits) {
    data_error(runs_past_end(static_cast<int>(category)));
  }
  const Fingerprint print = fingerprint_of(view.buffer, static_cast<size_t>(view.length));
  if (restore) {
    check_files(state, print, attack, session);
  } else {
    state.database = {database, print};
    state.wordlists = attack.wordlists;
    state.options = attack_of(args);
    state.position = scope.lo;
  }
  const uint64_t keyspaceSize = attack.scope_size(scope);
  scope.lo = state.position > scope.lo ? state.position : scope.lo;
  if (keepSession && !session.save(state, error)) {
    bad_input(error);
  }

  SearchSetup setup;
  check_words(target.check, setup.check);
  setup.path = ecb_best_path();
  setup.scope = scope;
  setup.threads = run.threads;
  const double guessedRate = attack.stages.size() > 1 ? measured_rate(setup.path, run.threads) : 0;
  watch_signals();
  StatusOutput status(run.terminal, run.statusEvery, run.json);
  SearchClock clock;
  Search search(attack.pieces, setup);
  search.start();
  size_t stage = SIZE_MAX;
  double saved = 0;
  bool outOfTime = false;
  Progress progress;
  progress.keyspace = keyspaceSize;
  const auto measure = [&] {
    progress.triedNow = search.tried();
    progress.tried = state.tried + progress.triedNow;
    progress.secondsNow = clock.seconds();
    progress.seconds = state.elapsed + progress.secondsNow;
  };
  const auto keep = [&] {
    SessionState now = state;
    now.position = search.position();
    now.tried = progress.tried;
    now.elapsed = progress.seconds;
    if (keepSession && !session.save(now, error)) {
      status.note("warning: " + error);
    }
  };
  for (bool ended = false; !ended;) {
    ended = search.wait_for(kStep);
    clock.step(continued != 0);
    continued = 0;
    measure();
    const size_t piece = search.piece();
    if (attack.stages.size() > 1 && piece < attack.pieces.size() &&
        attack.stage_of(piece) != stage) {
      stage = attack.stage_of(piece);
      // The rate measured before the start until this run's own settles.
      status.note(stage_line(
          attack, stage, progress.secondsNow >= kSettledSeconds ? progress.rate() : guessedRate));
    }
    status.step(progress);
    if (progress.secondsNow - saved >= kCheckpointSeconds && !ended) {
      saved = progress.secondsNow;
      keep();
    }
    if (endingSignal != 0 ||
        (run.maxTime > 0 && progress.secondsNow >= static_cast<double>(run.maxTime))) {
      outOfTime = endingSignal == 0;
      search.stop();
    }
  }
  measure();

  unsigned char password[16] = {};
  size_t length = 0;
  const uint64_t found = search.found(password, length);
  if (found != kNoIndex) {
    session.remove();
    const bool written = report_found(view, count, password, length);
    secure_wipe(password, sizeof password);
    if (!written) {
      data_error("can't write to standard output");
    }
    status.found(progress, found + 1, attack.size());
    return 0;
  }
  const std::string resume =
      keepSession ? "movrel recover --restore --session " + session.name()
                  : "the same command with --skip " + std::to_string(search.position());
  if (!search.error().empty()) {
    keep();
    status.note(search.error() + (keepSession ? "; the session is kept: " : "; go on with ") +
                resume);
    return kBadInput;
  }
  if (endingSignal != 0 || outOfTime) {
    keep();
    status.interrupted(progress, search.position(), resume,
                       outOfTime ? "stopped after --max-time " + args.value("max-time")
                                 : std::string("interrupted"));
    if (endingSignal != 0) {
      end_by_signal(endingSignal, nullptr, nullptr);
    }
    return kOutOfTime;
  }
  session.remove();
  std::string where;
  if (scope.count > 1) {
    where = " (shard " + std::to_string(scope.pick + 1) + "/" + std::to_string(scope.count) +
            " of " + std::to_string(attack.size()) + " candidates)";
  }
  status.not_found(progress, where);
  return 1;
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
    "usage: movrel recover DB [--mask MASK] [--wordlist FILE] [-1 .. -4 SET]\n"
    "                         [--increment [--increment-min N] [--increment-max N]]\n"
    "                         [--category N] [--shard I/N] [--skip N] [--limit N]\n"
    "                         [--threads N] [--session NAME] [--max-time DURATION]\n"
    "                         [--status-every SECONDS] [--status-json]\n"
    "       movrel recover --restore [--session NAME] [--threads N] [--max-time D] ...\n"
    "       movrel recover --keyspace [DB] [attack options]\n"
    "\n"
    "Tries candidate passwords against the check value of category N (default 0)\n"
    "and prints the first that fits, with the categories it opens. With no --mask\n"
    "or --wordlist, runs a built-in plan, cheapest stage first (see movrel(1)).\n"
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
    "  --shard I/N      only the I-th of N slices of the candidates (1 <= I <= N)\n"
    "  --skip N         start at candidate N (counted from 0)\n"
    "  --limit N        try N candidates at most\n"
    "  --keyspace       print the number of candidates and the time they take\n"
    "  --threads N      threads to run (default: every core this process may use)\n"
    "  --session NAME   the session's name (default: default); its file is in\n"
    "                   $XDG_STATE_HOME/movrel/ or ~/.local/state/movrel/\n"
    "  --restore        go on with the session's search where it stopped\n"
    "  --max-time D     stop after D (90m, 2h, 1d) with the session saved (status 3)\n"
    "  --status-every S a status line every S seconds when standard error is not a\n"
    "                   terminal (default 30; 0: none)\n"
    "  --status-json    status lines as JSON: tried, keyspace, rate, elapsed, eta\n"
    "\n"
    "UTF-8 in a mask, charset or wordlist line is tried as the Palm bytes of its\n"
    "characters (café as CAF and 0xE9) and as its raw bytes.\n"
    "\n"
    "Exit status: 0 found, 1 not found (or a damaged file), 2 bad arguments or a\n"
    "session that cannot go on, 3 stopped by --max-time (the session is kept).\n",
    run_recover};
