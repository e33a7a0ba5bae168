#include "session.h"

#include "write_all.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char kHeader[] = "movrel-recover-session 1";
constexpr size_t kMaxName = 64;
constexpr size_t kMaxFileBytes = 1 << 20;

std::string encode(const std::string& value) {
  std::string out;
  for (const char c : value) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte >= 0x7F || byte == '%') {
      char escaped[4];
      snprintf(escaped, sizeof escaped, "%%%02X", byte);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out;
}

bool decode(const std::string& text, std::string& out) {
  out.clear();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    const std::string digits = i + 2 < text.size() ? text.substr(i + 1, 2) : "";
    if (digits.size() != 2 ||
        digits.find_first_not_of("0123456789ABCDEFabcdef") != std::string::npos) {
      return false;
    }
    out += static_cast<char>(strtoul(digits.c_str(), nullptr, 16));
    i += 2;
  }
  return true;
}

bool valid_name(const std::string& name) {
  return !name.empty() && name.size() <= kMaxName && name[0] != '.' &&
         name.find_first_not_of(
             "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789._-") ==
             std::string::npos;
}

// Makes each missing folder of path (absolute) with mode 0700.
bool make_folders(const std::string& path, std::string& error) {
  for (size_t at = 1; at <= path.size(); ++at) {
    if (at == path.size() || path[at] == '/') {
      const std::string part = path.substr(0, at);
      if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
        error = "cannot make the session folder " + part + ": " + strerror(errno);
        return false;
      }
    }
  }
  return true;
}

bool number(const std::string& text, uint64_t& value) {
  if (text.empty() || text.size() > 20 ||
      text.find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  errno = 0;
  value = strtoull(text.c_str(), nullptr, 10);
  return errno == 0;
}

bool file_line(std::istringstream& words, FileFingerprint& file) {
  std::string path;
  std::string size;
  return static_cast<bool>(words >> path >> size >> file.print.sha256) && decode(path, file.path) &&
         number(size, file.print.size) && file.print.sha256.size() == 64 &&
         file.print.sha256.find_first_not_of("0123456789abcdef") == std::string::npos;
}

} // namespace

Session::~Session() {
  if (lockFd_ >= 0) {
    close(lockFd_);
  }
  if (folderFd_ >= 0) {
    close(folderFd_);
  }
}

bool Session::open(const std::string& name, std::string& error) {
  if (!valid_name(name)) {
    error = "bad session name " + encode(name) +
            ": give letters, digits, '.', '_' or '-', at most 64, not starting with '.'";
    return false;
  }
  name_ = name;
  const char* state = getenv("XDG_STATE_HOME");
  const char* home = getenv("HOME");
  if (state != nullptr && state[0] == '/') {
    folder_ = std::string(state) + "/movrel";
  } else if (home != nullptr && home[0] == '/') {
    folder_ = std::string(home) + "/.local/state/movrel";
  } else {
    error = "no folder for sessions: set HOME or XDG_STATE_HOME";
    return false;
  }
  if (!make_folders(folder_, error)) {
    return false;
  }
  folderFd_ = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  struct stat info {};
  if (folderFd_ < 0 || fstat(folderFd_, &info) != 0) {
    error = "cannot open the session folder " + folder_ + ": " + strerror(errno);
    return false;
  }
  // Sessions name the files searched: the folder is its owner's alone.
  if ((info.st_mode & 077) != 0 && info.st_uid == geteuid()) {
    fchmod(folderFd_, 0700);
  }
  path_ = folder_ + "/" + name + ".session";
  return true;
}

bool Session::exists() const {
  struct stat info {};
  return fstatat(folderFd_, (name_ + ".session").c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0;
}

bool Session::lock(std::string& error) {
  lockFd_ =
      openat(folderFd_, (name_ + ".lock").c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (lockFd_ < 0) {
    error = "cannot lock session " + name_ + ": " + strerror(errno);
    return false;
  }
  if (flock(lockFd_, LOCK_EX | LOCK_NB) != 0) {
    error = "session " + name_ + " is in use by another run";
    return false;
  }
  return true;
}

bool Session::save(const SessionState& state, std::string& error) const {
  std::ostringstream text;
  text << kHeader << "\n";
  text << "database " << encode(state.database.path) << " " << state.database.print.size << " "
       << state.database.print.sha256 << "\n";
  for (const FileFingerprint& list : state.wordlists) {
    text << "wordlist " << encode(list.path) << " " << list.print.size << " " << list.print.sha256
         << "\n";
  }
  for (const SessionOption& option : state.options) {
    text << "option " << encode(option.name);
    if (option.hasValue) {
      text << " " << encode(option.value);
    }
    text << "\n";
  }
  char elapsed[64];
  snprintf(elapsed, sizeof elapsed, "%.3f", state.elapsed);
  text << "position " << state.position << "\ntried " << state.tried << "\nelapsed " << elapsed
       << "\n";
  const std::string bytes = text.str();
  const std::string temporary = "." + name_ + ".session." + std::to_string(getpid());
  const int fd = openat(folderFd_, temporary.c_str(),
                        O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  bool done = fd >= 0 && write_all(fd, bytes.data(), bytes.size()) && fsync(fd) == 0;
  const int reason = errno;
  done = fd >= 0 && close(fd) == 0 && done &&
         renameat(folderFd_, temporary.c_str(), folderFd_, (name_ + ".session").c_str()) == 0;
  if (!done) {
    error = "cannot save session " + path_ + ": " + strerror(reason != 0 ? reason : errno);
    unlinkat(folderFd_, temporary.c_str(), 0);
    return false;
  }
  fsync(folderFd_);
  return true;
}

bool Session::load(SessionState& state, std::string& error) const {
  const int fd = openat(folderFd_, (name_ + ".session").c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    error = errno == ENOENT ? "no session " + name_ + " to restore (" + path_ + ")"
                            : "cannot read session " + path_ + ": " + strerror(errno);
    return false;
  }
  std::string bytes(kMaxFileBytes + 1, '\0');
  ssize_t got = 0;
  size_t total = 0;
  while (total < bytes.size() && (got = read(fd, &bytes[total], bytes.size() - total)) > 0) {
    total += static_cast<size_t>(got);
  }
  close(fd);
  bytes.resize(total);
  state = SessionState();
  std::istringstream lines(bytes);
  std::string line;
  bool header = false;
  bool database = false;
  bool position = false;
  std::string problem = total > kMaxFileBytes ? "too long" : "";
  for (size_t number_of_line = 1; problem.empty() && std::getline(lines, line); ++number_of_line) {
    std::istringstream words(line);
    std::string key;
    words >> key;
    std::string rest;
    bool good = true;
    if (number_of_line == 1) {
      good = header = line == kHeader;
    } else if (key == "database") {
      good = database = file_line(words, state.database);
    } else if (key == "wordlist") {
      state.wordlists.emplace_back();
      good = file_line(words, state.wordlists.back());
    } else if (key == "option") {
      SessionOption option;
      std::string name;
      std::string value;
      good = static_cast<bool>(words >> name) && decode(name, option.name);
      option.hasValue = static_cast<bool>(words >> value);
      good = good && (!option.hasValue || decode(value, option.value));
      state.options.push_back(option);
    } else if (key == "position" || key == "tried") {
      good = static_cast<bool>(words >> rest) &&
             number(rest, key == "position" ? state.position : state.tried);
      position = position || key == "position";
    } else if (key == "elapsed") {
      good = static_cast<bool>(words >> state.elapsed) && state.elapsed >= 0;
    } else {
      good = false;
    }
    if (!good || (number_of_line > 1 && static_cast<bool>(words >> rest))) {
      problem = "line " + std::to_string(number_of_line) + " is not understood";
    }
  }
  if (problem.empty() && (!header || !database || !position)) {
    problem = "it is incomplete";
  }
  if (!problem.empty()) {
    error = "session file " + path_ + " is damaged (" + problem +
            "): remove it to start the search afresh";
    return false;
  }
  return true;
}

void Session::remove() {
  unlinkat(folderFd_, (name_ + ".session").c_str(), 0);
  unlinkat(folderFd_, (name_ + ".lock").c_str(), 0);
}
