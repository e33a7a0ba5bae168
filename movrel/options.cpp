#include "options.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

bool ParsedArgs::has(const char* name) const {
  for (const ParsedOption& option : options) {
    if (option.name == name) {
      return true;
    }
  }
  return false;
}

std::string ParsedArgs::value(const char* name, const std::string& fallback) const {
  std::string found = fallback;
  for (const ParsedOption& option : options) {
    if (option.name == name) {
      found = option.value;
    }
  }
  return found;
}

void usage_error(const Command& command, const std::string& message) {
  fprintf(stderr, "movrel %s: %s\n%s", command.name, message.c_str(), command.usage);
  exit(2);
}

ParsedArgs parse_args(const Command& command, int argc, char** argv,
                      const std::vector<OptionSpec>& specs) {
  ParsedArgs parsed;
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    if (optionsEnded || word.size() < 2 || word.compare(0, 2, "--") != 0) {
      const OptionSpec* known = nullptr;
      for (const OptionSpec& candidate : specs) {
        if (!optionsEnded && word.size() == 2 && word[0] == '-' && word[1] == candidate.shortName &&
            candidate.takesValue) {
          known = &candidate;
        }
      }
      if (known != nullptr) {
        if (i + 1 == argc) {
          usage_error(command, "option " + word + " needs a value");
        }
        parsed.options.push_back({known->name, argv[++i]});
        continue;
      }
      if (!optionsEnded && word.size() > 1 && word[0] == '-') {
        usage_error(command, "unknown option " + word);
      }
      parsed.positional.push_back(word);
      continue;
    }
    if (word == "--") {
      optionsEnded = true;
      continue;
    }
    const size_t equals = word.find('=');
    const std::string name =
        word.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
    const OptionSpec* known = nullptr;
    for (const OptionSpec& candidate : specs) {
      if (name == candidate.name) {
        known = &candidate;
      }
    }
    if (known == nullptr) {
      usage_error(command, "unknown option --" + name);
    }
    ParsedOption option{name, ""};
    if (known->takesValue) {
      if (equals != std::string::npos) {
        option.value = word.substr(equals + 1);
      } else if (i + 1 < argc) {
        option.value = argv[++i];
      } else {
        usage_error(command, "option --" + name + " needs a value");
      }
    } else if (equals != std::string::npos) {
      usage_error(command, "option --" + name + " takes no value");
    }
    parsed.options.push_back(option);
  }
  return parsed;
}
