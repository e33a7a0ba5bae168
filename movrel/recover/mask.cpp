#include "mask.h"

#include "palm_charset.h"

namespace {

// Only the first 16 bytes of a password are folded into its key.
constexpr size_t kKeyBytes = 16;

const char kClassList[] = "?l ?u ?d ?s ?a ?h ?H ?b ?x, ?1 to ?4, ?w and ??";

bool is_lower(int c) {
  return c >= 'a' && c <= 'z';
}
bool is_upper(int c) {
  return c >= 'A' && c <= 'Z';
}
bool is_digit(int c) {
  return c >= '0' && c <= '9';
}
bool is_hex(int c) {
  return is_digit(c) || (c >= 'A' && c <= 'F');
}
bool is_symbol(int c) {
  return c >= 0x20 && c <= 0x7E && !is_lower(c) && !is_upper(c) && !is_digit(c);
}
bool is_printable(int c) {
  return c >= 0x20 && c <= 0x7E && !is_lower(c);
}
bool is_byte(int c) {
  return !is_lower(c);
}
bool is_high(int c) {
  return c >= 0x80;
}

// The bytes 0x01-0xFF that keep says yes to, in increasing order.
std::string class_of(bool (*keep)(int)) {
  std::string set;
  for (int c = 0x01; c <= 0xFF; ++c) {
    if (keep(c)) {
      set += static_cast<char>(c);
    }
  }
  return set;
}

// The set of a built-in class letter, or "" for none.
std::string builtin_class(char letter, bool& lowerFolded) {
  switch (letter) {
  case 'l':
    lowerFolded = true;
    return class_of(is_upper);
  case 'u':
    return class_of(is_upper);
  case 'd':
    return class_of(is_digit);
  case 's':
    return class_of(is_symbol);
  case 'a':
    return class_of(is_printable);
  case 'h':
  case 'H':
    return class_of(is_hex);
  case 'b':
    return class_of(is_byte);
  case 'x':
    return class_of(is_high);
  case '?':
    return "?";
  default:
    return "";
  }
}

char upper(char c) {
  return is_lower(static_cast<unsigned char>(c)) ? static_cast<char>(c - ('a' - 'A')) : c;
}

void add_once(std::string& set, const std::string& bytes) {
  for (char c : bytes) {
    if (set.find(c) == std::string::npos) {
      set += c;
    }
  }
}

// One form: the mask and charsets already turned into the bytes of that form.
class FormParser {
public:
  FormParser(const std::string (&charsets)[4], const bool (&given)[4], std::string& error)
      : given_(given), error_(error) {
    for (int i = 0; i < 4; ++i) {
      charsets_[i] = charsets[i];
    }
  }

  bool parse(const std::string& mask, const std::string& shown, MaskPattern& pattern,
             bool& lowerFolded) {
    for (int i = 0; i < 4; ++i) {
      if (given_[i] && !charset(i, lowerFolded)) {
        return false;
      }
    }
    if (mask.empty()) {
      return fail("malformed mask: it is empty");
    }
    for (size_t at = 0; at < mask.size(); ++at) {
      std::string set;
      if (mask[at] != '?') {
        set = std::string(1, upper(mask[at]));
      } else if (at + 1 == mask.size()) {
        return fail("malformed mask " + shown + ": it ends in a lone ?");
      } else {
        const char letter = mask[++at];
        if (letter == 'w') {
          if (pattern.wordAt != kNoWord) {
            return fail("malformed mask " + shown + ": ?w may stand only once");
          }
          pattern.wordAt = pattern.positions.size();
          continue;
        }
        if (letter >= '1' && letter <= '4') {
          const int i = letter - '1';
          if (!given_[i]) {
            return fail("malformed mask " + shown + ": ?" + letter + " needs a custom charset (-" +
                        letter + " or --custom-charset" + letter + ")");
          }
          set = sets_[i];
        } else {
          set = builtin_class(letter, lowerFolded);
          if (set.empty()) {
            return fail("malformed mask " + shown + ": unknown class ?" + letter +
                        " (the classes are " + kClassList + ")");
          }
        }
      }
      if (pattern.positions.size() < kKeyBytes) {
        pattern.positions.push_back(set);
      }
    }
    return true;
  }

private:
  bool charset(int i, bool& lowerFolded) {
    const std::string& text = charsets_[i];
    const std::string name = "custom charset " + std::to_string(i + 1);
    for (size_t at = 0; at < text.size(); ++at) {
      if (text[at] != '?') {
        add_once(sets_[i], std::string(1, upper(text[at])));
        continue;
      }
      const std::string set = at + 1 < text.size() ? builtin_class(text[++at], lowerFolded) : "";
      if (set.empty()) {
        return fail("malformed " + name + ": " +
                    (at + 1 == text.size() && text[at] == '?'
                         ? std::string("it ends in a lone ?")
                         : "unknown class ?" + std::string(1, text[at]) +
                               " (in a charset: " + "?l ?u ?d ?s ?a ?h ?H ?b ?x and ?\?)"));
      }
      add_once(sets_[i], set);
    }
    if (sets_[i].empty()) {
      return fail("malformed " + name + ": it is empty");
    }
    return true;
  }

  bool fail(const std::string& message) {
    error_ = message;
    return false;
  }

  std::string charsets_[4];
  std::string sets_[4];
  const bool (&given_)[4];
  std::string& error_;
};

// text's Palm bytes, or false when it has none other than its raw bytes.
bool palm_form(const std::string& text, std::string& out) {
  out.assign(text.size(), '\0');
  const size_t n = palm_from_utf8(text.data(), text.size(), out.data());
  out.resize(n == SIZE_MAX ? 0 : n);
  return n != SIZE_MAX;
}

} // namespace

bool parse_mask(const MaskText& written, ParsedMask& parsed, std::string& error) {
  parsed = ParsedMask();
  MaskPattern raw;
  if (!FormParser(written.charsets, written.charsetGiven, error)
           .parse(written.mask, written.mask, raw, parsed.lowerFolded)) {
    return false;
  }
  std::string mask;
  std::string charsets[4];
  bool palm = palm_form(written.mask, mask);
  for (int i = 0; i < 4; ++i) {
    palm = palm && (!written.charsetGiven[i] || palm_form(written.charsets[i], charsets[i]));
  }
  MaskPattern converted;
  bool ignored = false;
  if (palm &&
      FormParser(charsets, written.charsetGiven, error)
          .parse(mask, written.mask, converted, ignored) &&
      !(converted == raw)) {
    parsed.forms.push_back(converted);
  }
  parsed.forms.push_back(raw);
  return true;
}
