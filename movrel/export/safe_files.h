// Writing exported notes as files of their own, safely: names made from
// category names cannot leave the folder or hide, and a file holding notes
// is private, appears whole or not at all, and never lands on something that
// was there before unless asked to.
#ifndef MOVREL_MOVREL_SAFE_FILES_H
#define MOVREL_MOVREL_SAFE_FILES_H

#include <cstddef>
#include <set>
#include <string>

// A file name for a category named name (UTF-8): '/', control bytes and DEL
// become '_', leading dots are dropped, an empty result is "category"; then
// extension (".txt") is added, and "-2", "-3", ... before it when the name is
// already in taken. The result is added to taken.
std::string safe_file_name(const std::string& name, const char* extension,
                           std::set<std::string>& taken);

// The folder the files go into. Every operation reports failure as an
// error message (without "ERROR: "); an empty message means success.
class OutputFolder {
public:
  OutputFolder() = default;
  ~OutputFolder();
  OutputFolder(const OutputFolder&) = delete;
  OutputFolder& operator=(const OutputFolder&) = delete;

  // Opens the folder at path, creating it with mode 0700 when it does not
  // exist (its parent must), and checks that files can be created in it.
  std::string open(const std::string& path);

  // Writes the file name (made by safe_file_name) in the folder with mode
  // 0600: first to a new temporary name (O_CREAT | O_EXCL | O_NOFOLLOW),
  // synced, then renamed to name. An existing entry called name (a file, a
  // symbolic link, anything) is an error unless replace is set; then it is
  // replaced as an entry, and a link there is never followed.
  std::string write_file(const std::string& name, const char* data, size_t n, bool replace);

  // The path of name in the folder, for messages.
  std::string path_of(const std::string& name) const;

private:
  std::string path_;
  int fd_ = -1;
  unsigned temporaries_ = 0; // temporary names used so far, for the next one
};

#endif
