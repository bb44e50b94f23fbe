// Starting one program and watching it from outside until it ends: when its
// first window becomes visible, when a status text appears, its working set
// and its processor time.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// What to watch for besides start, window and end.
struct Watch {
  // Post WM_CLOSE to the first visible window this long after it is seen
  // (-1: never).
  double close_after_visible_ms = -1;
  // Texts whose first appearance (anywhere in the watched program's
  // windows) is timed, in the order in which they come.
  std::vector<const char *> texts;
  // A process whose end starts the reaction clock, and the index of the text
  // whose first appearance stops it.
  HANDLE reaction_start = NULL;
  int reaction_text = -1;
  // The index of a text followed by a fixed pause: the program's processor
  // use is sampled inside that pause.
  int pause_text = -1;
};

struct Observation {
  bool ended = false;              // false: not started, or killed after the time-out
  double visible_ms = -1;          // start to the first visible top-level window
  double exit_ms = -1;             // start to the end of the process
  std::vector<double> text_ms;     // start to the first appearance of each text, or -1
  double reaction_ms = -1;         // end of `reaction_start` to `reaction_text`
  double peak_kib = 0;             // peak working set
  double cpu_ms = -1;              // processor time of the program (only with a pause text)
  double pause_cpu_share = -1;     // processor time over wall time inside the pause
  double pause_server_share = -1;  // the same for the wineserver
  double server_cpu_ms = -1;       // processor time of the wineserver meanwhile
};

// Runs `path` with `command_line` in `directory`. `wineserver_pid` is the
// Linux process id of this session's wineserver (0: not measured).
Observation observe(const std::string &path, const std::string &command_line, const std::string &directory,
                    const Watch &watch, DWORD timeout_ms, int wineserver_pid);
