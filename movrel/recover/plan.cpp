#include "plan.h"

#include <unistd.h>

namespace {

std::string times(const char* unit, int count) {
  std::string mask;
  for (int i = 0; i < count; ++i) {
    mask += unit;
  }
  return mask;
}

AttackOptions mask_stage(const std::string& mask, bool increment, uint64_t shortest) {
  AttackOptions options;
  options.hasMask = true;
  options.mask.mask = mask;
  options.increment = increment;
  options.hasIncrementMin = increment;
  options.incrementMin = shortest;
  return options;
}

} // namespace

std::string system_dictionary() {
  const char* path = "/usr/share/dict/words";
  return access(path, R_OK) == 0 ? path : "";
}

bool add_plan(Attack& attack, const std::string& dictionary, std::string& error) {
  AttackOptions lettersAndDigits = mask_stage(times("?1", 9), false, 0);
  lettersAndDigits.mask.charsets[0] = "?u?d";
  lettersAndDigits.mask.charsetGiven[0] = true;
  if (!add_attack(mask_stage(times("?d", 10), true, 0), "the empty password and 1 to 10 digits",
                  attack, error) ||
      !add_attack(mask_stage(times("?a", 6), true, 1),
                  "every printable character (a-z fold into A-Z), lengths 1 to 6", attack, error) ||
      !add_attack(mask_stage(times("?u", 8), true, 7), "letters, lengths 7 and 8", attack, error)) {
    return false;
  }
  if (!dictionary.empty()) {
    const std::string title =
        "the words of " + dictionary + ", alone and with 1 to 4 digits or a symbol after them";
    AttackOptions alone;
    alone.wordlist = dictionary;
    AttackOptions digits = mask_stage("?w?d?d?d?d", true, 1);
    digits.wordlist = dictionary;
    AttackOptions symbol = mask_stage("?w?s", false, 0);
    symbol.wordlist = dictionary;
    if (!add_attack(alone, title, attack, error) || !add_attack(digits, title, attack, error) ||
        !add_attack(symbol, title, attack, error)) {
      return false;
    }
  }
  return add_attack(mask_stage(times("?a", 7), false, 0), "every printable character, length 7",
                    attack, error) &&
         add_attack(lettersAndDigits, "letters and digits, length 9", attack, error) &&
         add_attack(mask_stage(times("?a", 8), false, 0), "every printable character, length 8",
                    attack, error);
}
