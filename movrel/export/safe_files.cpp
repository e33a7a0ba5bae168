#include "safe_files.h"

#include "write_all.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string system_error(const std::string& what) {
  return what + ": " + strerror(errno);
}

// Renames from to to inside the folder fd without replacing anything there;
// where the file system cannot do that in one step, a hard link does it.
int rename_no_replace(int fd, const char* from, const char* to) {
  if (renameat2(fd, from, fd, to, RENAME_NOREPLACE) == 0) {
    return 0;
  }
  if (errno != EINVAL && errno != ENOSYS) {
    return -1;
  }
  if (linkat(fd, from, fd, to, 0) != 0) {
    return -1;
  }
  return unlinkat(fd, from, 0);
}

} // namespace

std::string safe_file_name(const std::string& name, const char* extension,
                           std::set<std::string>& taken) {
  std::string base;
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (base.empty() && c == '.') {
      continue;
    }
    base += byte < 0x20 || byte == 0x7F || c == '/' ? '_' : c;
  }
  if (base.empty()) {
    base = "category";
  }
  std::string file = base + extension;
  for (unsigned copy = 2; taken.count(file) != 0; ++copy) {
    file = base + "-" + std::to_string(copy) + extension;
  }
  taken.insert(file);
  return file;
}

OutputFolder::~OutputFolder() {
  if (fd_ >= 0) {
    close(fd_);
  }
}

std::string OutputFolder::open(const std::string& path) {
  path_ = path;
  if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
    return system_error("can't create directory " + path);
  }
  fd_ = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd_ < 0) {
    return system_error("can't open directory " + path);
  }
  // Asked before the password, so that a folder that cannot take the files
  // costs the user nothing.
  if (faccessat(fd_, ".", W_OK | X_OK, AT_EACCESS) != 0) {
    return "directory " + path + " is not writable";
  }
  return "";
}

std::string OutputFolder::path_of(const std::string& name) const {
  return path_.empty() || path_.back() == '/' ? path_ + name : path_ + "/" + name;
}

std::string OutputFolder::write_file(const std::string& name, const char* data, size_t n,
                                     bool replace) {
  // Final names never begin with '.', so a temporary name cannot be one.
  std::string temporary;
  int file = -1;
  do {
    temporary = ".movrel-" + std::to_string(getpid()) + "-" + std::to_string(++temporaries_);
    file =
        openat(fd_, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  } while (file < 0 && errno == EEXIST);
  if (file < 0) {
    return system_error("can't create a file in " + path_);
  }
  const bool written = write_all(file, data, n) && fsync(file) == 0;
  const int writeErrno = errno;
  if (close(file) != 0 || !written) {
    errno = written ? errno : writeErrno;
    std::string error = system_error("can't write " + path_of(name));
    unlinkat(fd_, temporary.c_str(), 0);
    return error;
  }
  const int renamed = replace ? renameat(fd_, temporary.c_str(), fd_, name.c_str())
                              : rename_no_replace(fd_, temporary.c_str(), name.c_str());
  if (renamed != 0) {
    std::string error = errno == EEXIST ? path_of(name) + " already exists (--force replaces it)"
                                        : system_error("can't write " + path_of(name));
    unlinkat(fd_, temporary.c_str(), 0);
    return error;
  }
  return "";
}
