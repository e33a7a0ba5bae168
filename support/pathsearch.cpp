// The search path: a table of directories grouped by category number, and the
// opens that look through it.
#include "internal.h"
#include "myfile.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int32_t kMaxDirs = 100;
constexpr size_t kPathSize = PATH_MAX;   // bytes, terminator included
constexpr const char* kCurrentDir = "."; // shared, never released

struct DirEntry {
  const char* dir; // heap copy, or kCurrentDir for an empty text
  int32_t cat;
};

DirEntry dir_list[kMaxDirs];
int32_t dir_count = 0;
int32_t current_cat = 0;
// The candidate being tried; after a successful search, the path that opened.
char path_buffer[kPathSize];

// Where the search would print its progress, if anyone wanted it. Discards.
void path_trace(const char* /*format*/, ...) MYFILE_PRINTF(1, 2);
void path_trace(const char* /*format*/, ...) {}

// The joins below never write past a kPathSize buffer: a candidate that would
// not fit fails as a whole, exactly as one whose file does not open.
bool path_append(char* path, const char* text) {
  const size_t used = strlen(path);
  const size_t add = strlen(text);
  if (used + add >= kPathSize) {
    return false;
  }
  memcpy(path + used, text, add + 1);
  return true;
}

bool path_append_slash(char* path) {
  const size_t used = strlen(path);
  if (used > 0 && path[used - 1] == '/') {
    return true;
  }
  return path_append(path, "/");
}

// The working directory followed by exactly one "/"; false when the working
// directory cannot be determined (deleted, or longer than the buffer).
bool path_start_at_cwd(char* path) {
  if (getcwd(path, kPathSize) == nullptr) {
    path[0] = '\0';
    return false;
  }
  return path_append_slash(path);
}

bool is_absolute(const char* text) {
  return text[0] == '/';
}

FILE* try_open(const char* mode) {
  return fopen(path_buffer, mode);
}

FILE* pathfopen(const char* name, const char* mode) {
  if (name == nullptr || name[0] == '\0' || mode == nullptr) {
    return nullptr;
  }
  const size_t nameSize = strlen(name) + 1;
  if (nameSize > kPathSize) {
    return nullptr; // every candidate contains the name, so none can fit
  }
  memcpy(path_buffer, name, nameSize);
  path_trace("trying to open %s", name);

  if (is_absolute(name)) {
    return try_open(mode);
  }

  // The working-directory candidate is the name itself, which the system
  // looks up from the working directory however deep that is. Once it has
  // opened, path_buffer gets the full path when it fits (getpath hands that
  // out), else keeps the name, which names the same file from here.
  path_trace("searching path %s", name);
  if (FILE* stream = try_open(mode)) {
    char full[kPathSize];
    if (path_start_at_cwd(full) && path_append(full, name)) {
      memcpy(path_buffer, full, strlen(full) + 1);
    }
    return stream;
  }

  for (int32_t i = 0; i < dir_count; ++i) {
    const DirEntry& entry = dir_list[i];
    if (entry.cat != current_cat) {
      continue;
    }
    path_buffer[0] = '\0';
    const bool fits = (is_absolute(entry.dir) || path_start_at_cwd(path_buffer)) &&
                      path_append(path_buffer, entry.dir) && path_append_slash(path_buffer) &&
                      path_append(path_buffer, name);
    if (fits) {
      path_trace("searching path %s", path_buffer);
      if (FILE* stream = try_open(mode)) {
        return stream;
      }
    }
    path_trace("not found");
  }
  return nullptr;
}

const char* mode_word(const char* mode) {
  if (mode == nullptr) {
    return "(null)";
  }
  if (mode[0] == 'r') {
    return "reading";
  }
  if (mode[0] == 'w') {
    return "writing";
  }
  return mode;
}

// Shared by efopen and wfopen: the location is stored only when the open fails.
FILE* open_or_report(const char* name, const char* mode, int32_t line, const char* file,
                     bool fatal) {
  if (FILE* stream = pathfopen(name, mode)) {
    return stream;
  }
  report_open_failure(name, mode, line, file, fatal);
  return nullptr;
}

} // namespace

void adddir(const char* dir, int32_t cat) {
  if (dir_count >= kMaxDirs) {
    store_location(0, "myfile");
    my_warning("can't add %s to list of search directories, max %d", dir, kMaxDirs);
    return;
  }
  path_trace("adding %s to dir list %d", dir, cat);
  const char* stored = dir[0] == '\0' ? kCurrentDir : strdup(dir);
  if (stored == nullptr) {
    return; // out of memory: the list stays as it was
  }
  dir_list[dir_count] = DirEntry{stored, cat};
  ++dir_count;
}

void remdir(const char* dir, int32_t cat) {
  path_trace("removing %s from dirlist", dir);
  // The empty text stands for "." here as it does in adddir.
  const char* stored = dir[0] == '\0' ? kCurrentDir : dir;
  for (int32_t i = 0; i < dir_count; ++i) {
    if (dir_list[i].cat == cat && strcmp(dir_list[i].dir, stored) == 0) {
      if (dir_list[i].dir != kCurrentDir) {
        free(const_cast<char*>(dir_list[i].dir));
      }
      memmove(&dir_list[i], &dir_list[i + 1], sizeof(DirEntry) * (dir_count - i - 1));
      --dir_count;
      return;
    }
  }
  store_location(0, "myfile");
  my_warning("%s not on directory list %d", dir, cat);
}

void setcat(int32_t cat) {
  current_cat = cat;
}

char* getpath(const char* name) {
  FILE* stream = pathfopen(name, "r");
  if (stream == nullptr) {
    return nullptr;
  }
  fclose(stream);
  return strdup(path_buffer);
}

char* getpathdir(const char* dir) {
  char path[kPathSize] = "";
  if (!is_absolute(dir) && !path_start_at_cwd(path)) {
    return nullptr;
  }
  if (!path_append(path, dir)) {
    return nullptr;
  }
  struct stat status;
  if (stat(path, &status) != 0) {
    return nullptr;
  }
  if (!path_append_slash(path) || !S_ISDIR(status.st_mode)) {
    return nullptr;
  }
  return strdup(path);
}

void report_open_failure(const char* name, const char* mode, int32_t line, const char* file,
                         bool fatal) {
  store_location(line, file);
  const char* shown = name != nullptr ? name : "(null)";
  if (fatal) {
    my_error("can't open file %s for `%s'", shown, mode_word(mode));
  }
  my_warning("can't open file %s for `%s'", shown, mode_word(mode));
}

FILE* efopen(const char* name, const char* mode, int32_t line, const char* file) {
  return open_or_report(name, mode, line, file, true);
}

FILE* wfopen(const char* name, const char* mode, int32_t line, const char* file) {
  return open_or_report(name, mode, line, file, false);
}
