// Fuzz target for what recover reads from users and files: the first byte
// picks the reader, the rest is its input.
//   0  a mask (a zero byte then a custom charset -1 may follow): parsed,
//      every form at most 16 positions of non-empty sets without a-z
//   1  wordlist text: counted against a plain count line by line, and every
//      line's forms at most 16 bytes, upper-cased
//   2  a session file: loaded (it may be refused, never misread)
#include "mask.h"
#include "session.h"
#include "word_forms.h"
#include "word_piece.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace {

void check(bool holds) {
  if (!holds) {
    abort();
  }
}

void mask(const std::string& text) {
  MaskText written;
  const size_t zero = text.find('\0');
  written.mask = text.substr(0, zero);
  written.charsetGiven[0] = zero != std::string::npos;
  written.charsets[0] = written.charsetGiven[0] ? text.substr(zero + 1) : "";
  ParsedMask parsed;
  std::string error;
  if (!parse_mask(written, parsed, error)) {
    check(!error.empty());
    return;
  }
  check(!parsed.forms.empty() && parsed.forms.size() <= 2);
  for (const MaskPattern& form : parsed.forms) {
    check(form.positions.size() <= 16);
    for (const std::string& set : form.positions) {
      check(!set.empty() && set.find_first_of("abcdefghijklmnopqrstuvwxyz") == std::string::npos);
    }
  }
}

void wordlist(const std::string& text) {
  uint64_t lines = 0;
  uint64_t forms = 0;
  for (size_t at = 0; at < text.size(); ++lines) {
    size_t end = text.find('\n', at);
    end = end == std::string::npos ? text.size() : end;
    const size_t n = end - at - (end > at && text[end - 1] == '\r' ? 1 : 0);
    WordForms word;
    word_forms(text.data() + at, n, word);
    forms += word.count;
    for (size_t f = 0; f < word.count; ++f) {
      check(word.length[f] <= 16);
      for (size_t i = 0; i < word.length[f]; ++i) {
        check(word.bytes[f][i] != 0 && (word.bytes[f][i] < 'a' || word.bytes[f][i] > 'z'));
      }
    }
    at = end + 1;
  }
  const WordCount count = count_words(text.data(), text.size());
  check(count.lines == lines && count.lines + count.extraForms == forms);
}

// The folder of the session file, removed at exit.
char folder[] = "/tmp/movrel-fuzz-XXXXXX";

void remove_folder() {
  for (const char* file : {"/movrel/fuzz.session", "/movrel/fuzz.lock", "/movrel", ""}) {
    remove((std::string(folder) + file).c_str());
  }
}

void session_file(const std::string& text) {
  static const bool made = mkdtemp(folder) != nullptr && setenv("XDG_STATE_HOME", folder, 1) == 0 &&
                           atexit(remove_folder) == 0;
  Session session;
  std::string error;
  check(made && session.open("fuzz", error));
  std::ofstream(session.path(), std::ios::binary) << text;
  SessionState state;
  check(session.load(state, error) || error.find("damaged") != std::string::npos);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) {
    return 0;
  }
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  switch (data[0] % 3) {
  case 0:
    mask(text);
    break;
  case 1:
    wordlist(text);
    break;
  default:
    session_file(text);
  }
  return 0;
}
