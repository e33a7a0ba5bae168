#include "search.h"

#include "idea.h"
#include "keysearch.h"
#include "live_secrets.h"
#include "secret_stacks.h"
#include "wipe.h"

#include <cstring>
#include <new>

bool candidate_confirms(const unsigned char* chars, size_t n, const uint16_t check[4]) {
  uint16_t words[kCandidateWords];
  uint16_t Z[52];
  uint16_t block[4];
  candidate_words(chars, n, words);
  en_key_idea(words, Z);
  cipher_idea(words + 8, block, Z);
  const bool same =
      block[0] == check[0] && block[1] == check[1] && block[2] == check[2] && block[3] == check[3];
  secure_wipe(words, sizeof words);
  secure_wipe(Z, sizeof Z);
  secure_wipe(block, sizeof block);
  return same;
}

Search::Search(const std::vector<std::unique_ptr<Piece>>& pieces, const SearchSetup& setup)
    : pieces_(pieces), setup_(setup), frontier_(setup.scope.lo) {
  hold_secret(&found_, sizeof found_);
}

Search::~Search() {
  stop();
  for (std::thread& thread : threads_) {
    thread.join();
  }
  release_secret(&found_);
}

void Search::start() {
  std::lock_guard<std::mutex> lock(stateMutex_);
  for (unsigned i = 0; i < setup_.threads; ++i) {
    try {
      threads_.emplace_back([this] { work(); });
      ++running_;
    } catch (const std::exception&) {
      break; // no thread or no memory for one: fewer threads
    }
  }
  if (running_ == 0) {
    error_ = "cannot start a thread";
  }
}

bool Search::wait_for(std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(stateMutex_);
  return ended_.wait_for(lock, timeout, [this] { return running_ == 0; });
}

void Search::stop() {
  stop_ = true;
  for (const auto& piece : pieces_) {
    piece->interrupt();
  }
}

uint64_t Search::tried() const {
  std::lock_guard<std::mutex> lock(stateMutex_);
  return tried_;
}

uint64_t Search::position() const {
  std::lock_guard<std::mutex> lock(stateMutex_);
  return inFlight_.empty() ? frontier_ : *inFlight_.begin();
}

uint64_t Search::found(unsigned char chars[16], size_t& n) const {
  std::lock_guard<std::mutex> lock(stateMutex_);
  memcpy(chars, found_.chars, sizeof found_.chars);
  n = found_.length;
  return best_;
}

std::string Search::error() const {
  std::lock_guard<std::mutex> lock(stateMutex_);
  return error_;
}

void Search::fail(const std::string& message) {
  {
    std::lock_guard<std::mutex> lock(stateMutex_);
    if (error_.empty()) {
      error_ = message;
    }
  }
  stop();
}

bool Search::take(Unit& unit) {
  std::lock_guard<std::mutex> take(takeMutex_);
  while (!stop_ && current_ < pieces_.size()) {
    Piece& piece = *pieces_[current_];
    if (!piece.next(setup_.scope, unit)) {
      if (!piece.error().empty()) {
        fail(piece.error());
        return false;
      }
      ++current_;
      continue;
    }
    unit.piece = &piece;
    std::lock_guard<std::mutex> lock(stateMutex_);
    // Nothing from here on can be lower than a confirmed find.
    if (unit.begin > best_) {
      current_ = pieces_.size();
      return false;
    }
    inFlight_.insert(unit.begin);
    frontier_ = unit.end;
    return true;
  }
  return false;
}

void Search::finish(const Unit& unit, uint64_t tried) {
  std::lock_guard<std::mutex> lock(stateMutex_);
  inFlight_.erase(inFlight_.find(unit.begin));
  tried_ += tried;
}

bool Search::confirm(const Unit& unit, uint64_t index) {
  unsigned char chars[16] = {};
  const size_t n = unit.piece->candidate(unit, index, chars);
  const bool confirmed = candidate_confirms(chars, n, setup_.check);
  if (confirmed) {
    {
      std::lock_guard<std::mutex> lock(stateMutex_);
      if (index < best_) {
        best_ = index;
        memcpy(found_.chars, chars, sizeof chars);
        found_.length = n;
      }
    }
    // Every unit still to come begins past this one: none can hold a lower
    // index. Those being tried go on; a stream is read no further.
    stop();
  }
  secure_wipe(chars, sizeof chars);
  return confirmed;
}

void Search::work() {
  const SecretThread registered; // a confirmed hit is the password: wiped at an ending signal
  try {
    LaneBatch batch;
    Unit unit;
    Trial trial;
    trial.path = setup_.path;
    memcpy(trial.check, setup_.check, sizeof trial.check);
    trial.scope = setup_.scope;
    trial.batch = &batch;
    trial.confirm = [this, &unit](uint64_t index) { return confirm(unit, index); };
    while (take(unit)) {
      uint64_t tried = 0;
      unit.piece->search(unit, trial, tried);
      finish(unit, tried);
      unit = Unit(); // lets go of the block
    }
  } catch (const std::bad_alloc&) {
    fail("out of memory");
  }
  // The kernels leave candidate words, the password's among them once
  // found, in spill slots and vector registers.
  scrub_stack();
  scrub_vector_registers();
  std::lock_guard<std::mutex> lock(stateMutex_);
  --running_;
  ended_.notify_all();
}
