#include "safe_files.h"

#include "live_secrets.h"
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

std::string FileNamer::next(const std::string& name, const char* extension) {
  std::string base;
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (base.empty() && (c == '.' || c == '-')) {
      continue;
    }
    base += byte < 0x20 || byte == 0x7F || c == '/' ? '_' : c;
  }
  if (base.empty()) {
    base = "category";
  }
  std::string file = base + extension;
  if (taken_.count(file) != 0) {
    // A name tried here and found taken is never tried again for this base.
    unsigned& copy = nextCopy_.try_emplace(file, 2).first->second;
    do {
      file = base + "-" + std::to_string(copy++) + extension;
    } while (taken_.count(file) != 0);
  }
  taken_.insert(file);
  return file;
}

OutputFolder::~OutputFolder() {
  if (fd_ >= 0) {
    close(fd_);
  }
}

std::string OutputFolder::open(const std::string& path, bool create) {
  path_ = path;
  if (create && mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
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
  if (path_ == ".") {
    return name;
  }
  return path_.empty() || path_.back() == '/' ? path_ + name : path_ + "/" + name;
}

bool OutputFolder::has(const std::string& name) const {
  struct stat entry {};
  return fstatat(fd_, name.c_str(), &entry, AT_SYMLINK_NOFOLLOW) == 0;
}

std::string OutputFolder::sync() const {
  return syncfs(fd_) == 0 ? "" : system_error("can't write to " + path_);
}

void OutputFolder::remove(const std::string& name) const {
  unlinkat(fd_, name.c_str(), 0);
}

std::string PendingFile::create() {
  static unsigned temporaries = 0; // names used so far by this process
  static const std::string prefix = ".movrel-" + std::to_string(getpid()) + "-";
  // The temporary is registered before it exists, so that no moment is left
  // in which a signal would leave it behind.
  do {
    temporary_ = prefix + std::to_string(++temporaries);
    unlink_at_end(folder_.fd(), temporary_.c_str());
    fd_ = openat(folder_.fd(), temporary_.c_str(),
                 O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  } while (fd_ < 0 && errno == EEXIST);
  if (fd_ < 0) {
    keep_at_end();
    temporary_.clear();
    return system_error("can't create a file in " + folder_.path());
  }
  return "";
}

std::string PendingFile::write(const char* data, size_t n) {
  return write_all(fd_, data, n) ? "" : failed("can't write " + folder_.path_of(name_));
}

std::string PendingFile::commit(bool replace, bool durable) {
  const std::string path = folder_.path_of(name_);
  if (durable && fsync(fd_) != 0) {
    return failed("can't write " + path);
  }
  const int closed = close(fd_);
  fd_ = -1;
  if (closed != 0) {
    return failed("can't write " + path);
  }
  const int renamed = replace
                          ? renameat(folder_.fd(), temporary_.c_str(), folder_.fd(), name_.c_str())
                          : rename_no_replace(folder_.fd(), temporary_.c_str(), name_.c_str());
  if (renamed != 0) {
    if (errno != EEXIST) {
      return failed("can't write " + path);
    }
    abandon();
    return path + " already exists (--force replaces it)";
  }
  temporary_.clear();
  keep_at_end();
  if (durable && fsync(folder_.fd()) != 0 && errno != EINVAL) {
    std::string error = system_error("can't write " + path);
    folder_.remove(name_);
    return error;
  }
  return "";
}

std::string PendingFile::failed(const std::string& what) {
  std::string error = system_error(what);
  abandon();
  return error;
}

void PendingFile::abandon() {
  if (fd_ >= 0) {
    close(fd_);
    fd_ = -1;
  }
  if (!temporary_.empty()) {
    folder_.remove(temporary_);
    temporary_.clear();
    keep_at_end();
  }
}
