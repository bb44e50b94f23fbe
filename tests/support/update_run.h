// One run of the updater as a user starts it, watched from outside: the
// texts of its status line as they change, its message boxes one after the
// other, and its end.
#pragma once
#include <windows.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "process.h"
#include "progress_driver.h"
#include "window_driver.h"

// For UpdateRun::answer: a key, rather than a button, answers the box.
const int kEnterKey = 0, kEscapeKey = -1;

class UpdateRun {
 public:
  // Starts `setup` with the command-line tail `tail` ("" for none). Unless
  // told that no window will come, waits for the progress window and records
  // its status line from then on.
  UpdateRun(const std::string &setup, const std::string &tail = "", bool window_expected = true);
  ~UpdateRun();

  DWORD pid() const { return updater_.id; }
  DWORD started_at() const { return started_at_; }

  // The progress window (NULL when it did not come, which fails the test
  // unless no window was expected).
  HWND progress_window() const { return progress_; }

  // The next message box that has not been answered yet; an empty view when
  // none came within `timeout_ms` or the updater ended first.
  MessageBoxView next_box(DWORD timeout_ms = 30000);

  // Presses `button` of `box`, or the Enter or Esc key for kEnterKey or
  // kEscapeKey, and waits until the box has gone, failing the test when it
  // stays.
  void answer(const MessageBoxView &box, int button);

  // Ends the updater as a crash or a power cut would (TerminateProcess), and
  // waits until it has gone. What it started runs on.
  void kill();

  // Waits for the updater to end; its exit code, or STILL_ACTIVE.
  DWORD wait_exit(DWORD timeout_ms = 60000);

  // The status texts seen so far, in order, each once per change.
  std::vector<std::string> status_texts();

  // When `text` was first seen on the status line, waiting for it up to
  // `timeout_ms`; fails the test when it did not come.
  DWORD status_seen_at(const std::string &text, DWORD timeout_ms = 0);

 private:
  Program updater_;
  DWORD started_at_;
  HWND progress_ = NULL;
  std::unique_ptr<StatusRecorder> recorder_;
  std::set<HWND> answered_;
};

// Sets (or, with an empty value, removes) a variable of this test process's
// environment, which the programs it starts inherit.
void set_environment(const char *name, const std::string &value);

// What the programs started while it lives record in the event log. Wine
// keeps no event log: it prints each event's text on its `eventlog` debug
// channel, to the Unix standard error that a started program inherits from
// this one; the test's wrapper (support/wine_with_debug_file.sh) sends that
// to a file. Without the wrapper the test fails.
class EventCapture {
 public:
  EventCapture();   // the channel on for programs started from now on
  ~EventCapture();  // and off again
  // Each event text recorded since, as "<type>: <text>" with the type
  // "error", "warning" or "information" and the text in code page 932. Wine
  // shows only the first 60 or so characters of a longer text, then "...".
  std::vector<std::string> events() const;

 private:
  std::string path_;
  size_t start_ = 0;
};

// Runs `setup` with `tail` to its end on unseen_desktop(), where no box can
// be answered; gives its exit code, or STILL_ACTIVE (and ends it) when it did
// not end within `limit_ms`: a box that waited.
DWORD run_unseen(const std::string &setup, const std::string &tail, DWORD limit_ms);
