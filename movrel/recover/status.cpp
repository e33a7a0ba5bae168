#include "status.h"

#include "numbers.h"

#include <cstdio>

namespace {

constexpr double kRedrawSeconds = 0.25;

// h:mm:ss
std::string clock_time(double seconds) {
  const auto whole = static_cast<unsigned long long>(seconds < 0 ? 0 : seconds);
  char text[48];
  snprintf(text, sizeof text, "%llu:%02llu:%02llu", whole / 3600, whole / 60 % 60, whole % 60);
  return text;
}

std::string json_number(uint64_t value) {
  return value == UINT64_MAX ? "null" : std::to_string(value);
}

std::string json_seconds(double value) {
  if (value < 0) {
    return "null";
  }
  char text[48];
  snprintf(text, sizeof text, "%.1f", value);
  return text;
}

// The fields every JSON line has.
std::string json_fields(const Progress& progress) {
  char rate[48];
  snprintf(rate, sizeof rate, "%.0f", progress.rate());
  return "\"tried\": " + std::to_string(progress.tried) +
         ", \"keyspace\": " + json_number(progress.keyspace) + ", \"rate\": " + rate +
         ", \"elapsed\": " + json_seconds(progress.seconds) +
         ", \"eta\": " + json_seconds(progress.eta());
}

} // namespace

SearchClock::SearchClock() : last_(std::chrono::steady_clock::now()) {}

void SearchClock::step(bool continued) {
  const auto now = std::chrono::steady_clock::now();
  if (!continued) {
    seconds_ += std::chrono::duration<double>(now - last_).count();
  }
  last_ = now;
}

double Progress::rate() const {
  return secondsNow > 0 ? static_cast<double>(triedNow) / secondsNow : 0;
}

double Progress::eta() const {
  if (keyspace == UINT64_MAX || rate() <= 0) {
    return -1;
  }
  return keyspace > tried ? static_cast<double>(keyspace - tried) / rate() : 0;
}

StatusOutput::StatusOutput(bool terminal, double every, bool json)
    : terminal_(terminal), every_(every), json_(json), next_(every) {}

void StatusOutput::end_line() {
  if (open_) {
    fputs("\n", stderr);
    open_ = false;
  }
}

void StatusOutput::line(const Progress& progress) {
  if (json_) {
    fprintf(stderr, "{%s}\n", json_fields(progress).c_str());
    fflush(stderr);
    return;
  }
  std::string text = grouped(progress.tried);
  if (progress.keyspace != UINT64_MAX) {
    char share[32];
    snprintf(share, sizeof share, " (%.1f%%)",
             progress.keyspace > 0 ? 100.0 * static_cast<double>(progress.tried) /
                                         static_cast<double>(progress.keyspace)
                                   : 100.0);
    text += " of " + grouped(progress.keyspace) + " tried" + share;
  } else {
    text += " tried";
  }
  char rate[32];
  snprintf(rate, sizeof rate, ", %.1f M/s, ", progress.rate() / 1e6);
  text += rate + clock_time(progress.seconds) + " elapsed";
  if (progress.eta() >= 0) {
    text += ", " + clock_time(progress.eta()) + " left";
  }
  if (terminal_) {
    fprintf(stderr, "\r%s ", text.c_str());
    open_ = true;
  } else {
    fprintf(stderr, "movrel recover: %s\n", text.c_str());
  }
  fflush(stderr);
}

void StatusOutput::step(const Progress& progress) {
  if (terminal_) {
    const auto now = std::chrono::steady_clock::now();
    if (std::chrono::duration<double>(now - lastDraw_).count() >= kRedrawSeconds) {
      lastDraw_ = now;
      line(progress);
    }
  } else if (every_ > 0 && progress.secondsNow >= next_) {
    next_ = progress.secondsNow + every_;
    line(progress);
  }
}

void StatusOutput::note(const std::string& text) {
  end_line();
  fprintf(stderr, "movrel recover: %s\n", text.c_str());
  fflush(stderr);
}

void StatusOutput::found(const Progress& progress, uint64_t candidate, uint64_t total) {
  end_line();
  if (json_) {
    fprintf(stderr, "{\"found\": true, \"candidate\": %llu, %s}\n",
            static_cast<unsigned long long>(candidate), json_fields(progress).c_str());
  } else if (total == UINT64_MAX) {
    fprintf(stderr, "movrel recover: found: candidate %llu\n",
            static_cast<unsigned long long>(candidate));
  } else {
    fprintf(stderr, "movrel recover: found: candidate %llu of %llu\n",
            static_cast<unsigned long long>(candidate), static_cast<unsigned long long>(total));
  }
}

void StatusOutput::not_found(const Progress& progress, const std::string& where) {
  end_line();
  if (json_) {
    fprintf(stderr, "{\"found\": false, %s}\n", json_fields(progress).c_str());
  } else {
    fprintf(stderr, "movrel recover: not found: %llu %s tried%s\n",
            static_cast<unsigned long long>(progress.tried), candidates_word(progress.tried),
            where.c_str());
  }
}

void StatusOutput::interrupted(const Progress& progress, uint64_t position,
                               const std::string& resume, const std::string& why) {
  end_line();
  if (json_) {
    fprintf(stderr,
            "{\"found\": false, \"interrupted\": true, \"position\": %llu, %s, \"resume\": "
            "\"%s\"}\n",
            static_cast<unsigned long long>(position), json_fields(progress).c_str(),
            resume.c_str());
  } else {
    fprintf(stderr, "movrel recover: %s at candidate %s; resume with: %s\n", why.c_str(),
            grouped(position).c_str(), resume.c_str());
  }
  fflush(stderr);
}
