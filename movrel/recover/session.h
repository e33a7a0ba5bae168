// A search's session: where it stands, kept in a file so that an
// interrupted search can go on (--restore). The file holds the attack (its
// options, the database and wordlist paths made absolute), a fingerprint of
// the database and of every wordlist file, and the progress: every
// candidate below position has been tried. Never a found password.
//
// Sessions live in $XDG_STATE_HOME/movrel/ (else ~/.local/state/movrel/),
// a folder of mode 0700, as NAME.session of mode 0600, replaced atomically
// (written to a temporary file, flushed, renamed). NAME.lock, held with
// flock while a run uses the session, keeps two runs off one session.
//
// The file is text, one "key value" a line; values are percent-encoded
// (bytes below 0x21, above 0x7E, and '%'):
//   movrel-recover-session 1
//   database /home/ann/notes.pdb 4213 3f5c...e1
//   wordlist /home/ann/words.txt 169000000 9a0b...77
//   option mask ?u?u?u?u?d?d
//   option increment
//   position 8200000000
//   tried 8200000000
//   elapsed 33.5
#ifndef MOVREL_MOVREL_RECOVER_SESSION_H
#define MOVREL_MOVREL_RECOVER_SESSION_H

#include "fingerprint.h"

#include <cstdint>
#include <string>
#include <vector>

struct SessionOption {
  std::string name;
  std::string value;
  bool hasValue = false;
};

struct SessionState {
  FileFingerprint database;
  std::vector<FileFingerprint> wordlists;
  std::vector<SessionOption> options; // the attack, as given
  uint64_t position = 0;              // every candidate below was tried
  uint64_t tried = 0;                 // candidates tried in all runs
  double elapsed = 0;                 // seconds searched in all runs, stops left out
};

class Session {
public:
  Session() = default;
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Checks name and finds (making it if needed) the folder. On failure
  // returns false and sets error to a one-line reason.
  bool open(const std::string& name, std::string& error);

  const std::string& name() const { return name_; }
  const std::string& path() const { return path_; }
  bool exists() const;

  // Takes the lock for this run; false when another run holds it.
  bool lock(std::string& error);

  bool save(const SessionState& state, std::string& error) const;
  // False, with error set, when the file cannot be read or is damaged.
  bool load(SessionState& state, std::string& error) const;
  // The search ended: the file goes, and the lock with it.
  void remove();

private:
  std::string name_;
  std::string folder_;
  std::string path_;
  int folderFd_ = -1;
  int lockFd_ = -1;
};

#endif
