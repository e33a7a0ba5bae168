// Writing exported notes as files, safely: names made from category names
// cannot leave the folder, hide, or read as an option, and a file holding
// notes is private, appears whole or not at all, never lands on something
// that was there before unless asked to, and leaves no temporary behind.
#ifndef MOVREL_MOVREL_EXPORT_SAFE_FILES_H
#define MOVREL_MOVREL_EXPORT_SAFE_FILES_H

#include <cstddef>
#include <string>
#include <unordered_map>
#include <unordered_set>

// File names for categories, unique within one run.
class FileNamer {
public:
  // A file name for a category named name (UTF-8): '/', control bytes and
  // DEL become '_', leading dots and dashes are dropped (so that the name
  // neither hides nor reads as an option to `tar cf x *`), an empty result is
  // "category"; then extension (".txt"), with "-2", "-3", ... before it when
  // the name is taken. Each base keeps its next suffix, so that n categories
  // of one name cost O(n).
  std::string next(const std::string& name, const char* extension);

private:
  std::unordered_set<std::string> taken_;
  std::unordered_map<std::string, unsigned> nextCopy_; // by base name and extension
};

// The folder files go into. Every operation reports failure as an error
// message (without "ERROR: "); an empty message means success.
class OutputFolder {
public:
  OutputFolder() = default;
  ~OutputFolder();
  OutputFolder(const OutputFolder&) = delete;
  OutputFolder& operator=(const OutputFolder&) = delete;

  // Opens the folder at path, creating it with mode 0700 when it does not
  // exist and create is set (its parent must exist), and checks that files
  // can be made in it.
  std::string open(const std::string& path, bool create);

  // The path of name in the folder, for messages ("" + name for ".").
  std::string path_of(const std::string& name) const;

  // Whether the folder has an entry name (of any kind; a link is not followed).
  bool has(const std::string& name) const;

  // Writes every file of the file system the folder is on to the disk, and
  // reports a write error any of them met since the folder was opened.
  std::string sync() const;

  void remove(const std::string& name) const;
  int fd() const { return fd_; }
  const std::string& path() const { return path_; }

private:
  std::string path_;
  int fd_ = -1;
};

// One file on its way to its final name in a folder: written to a new
// temporary name (".movrel-PID-N", O_CREAT | O_EXCL | O_NOFOLLOW, mode
// 0600) that an exit or an ending signal unlinks (live_secrets.h), and
// renamed to its final name at commit. A file not committed is removed.
class PendingFile {
public:
  PendingFile(const OutputFolder& folder, std::string name)
      : folder_(folder), name_(std::move(name)) {}
  ~PendingFile() { abandon(); }
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;

  std::string create();
  std::string write(const char* data, size_t n);
  // Closes the file (after fsync when durable: otherwise the caller syncs
  // the folder once all its files are written) and renames it to its final
  // name. An existing entry of that name (a file, a symbolic link, anything)
  // is an error unless replace is set; then it is replaced as an entry, and a
  // link there is never followed. On failure the temporary is removed.
  std::string commit(bool replace, bool durable);
  void abandon();
  const std::string& name() const { return name_; }

private:
  std::string failed(const std::string& what);

  const OutputFolder& folder_;
  const std::string name_;
  std::string temporary_;
  int fd_ = -1;
};

#endif
