// What a search shows of its progress on standard error.
//
// On a terminal, a line rewritten in place a few times a second. Otherwise
// (a batch job's log), a line every so many seconds (--status-every, 30 by
// default, 0 for none), plain or one JSON object each (--status-json) with
// tried, keyspace, rate (candidates per second), elapsed and eta (seconds).
// Time the process spent stopped (Ctrl-Z, SIGSTOP) counts in neither rate
// nor time: it is measured in steps of a few hundred milliseconds, and a
// step during which the process was continued is left out.
#ifndef MOVREL_MOVREL_RECOVER_STATUS_H
#define MOVREL_MOVREL_RECOVER_STATUS_H

#include <chrono>
#include <cstdint>
#include <string>

// Searching time, without the time spent stopped.
class SearchClock {
public:
  SearchClock();
  // Called every step; continued tells that SIGCONT came since the last.
  void step(bool continued);
  double seconds() const { return seconds_; }

private:
  std::chrono::steady_clock::time_point last_;
  double seconds_ = 0;
};

struct Progress {
  uint64_t tried = 0;    // in all runs of the session
  uint64_t triedNow = 0; // in this run
  uint64_t keyspace = 0; // candidates the search holds; UINT64_MAX unknown
  double seconds = 0;    // searched in all runs
  double secondsNow = 0; // searched in this run
  double rate() const;   // candidates per second, of this run
  double eta() const;    // seconds left, or -1 unknown
};

class StatusOutput {
public:
  // terminal: the rewritten line; else lines every `every` seconds (0:
  // none), in JSON when json.
  StatusOutput(bool terminal, double every, bool json);

  // Called every step.
  void step(const Progress& progress);
  // A line of its own (a stage begins, a note): ends the rewritten line first.
  void note(const std::string& line);
  // The last line: found or not, or how to resume.
  void found(const Progress& progress, uint64_t candidate, uint64_t total);
  void not_found(const Progress& progress, const std::string& where);
  void interrupted(const Progress& progress, uint64_t position, const std::string& resume,
                   const std::string& why);

private:
  void line(const Progress& progress);
  void end_line();

  bool terminal_;
  double every_;
  bool json_;
  double next_ = 0;
  bool open_ = false; // a rewritten line is on the terminal
  std::chrono::steady_clock::time_point lastDraw_;
};

#endif
