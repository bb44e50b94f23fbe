// Driving the target host (tests/host): a program built like the updater
// that runs one service that touches the installed application on its
// progress window, and reports the result.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "../host/host_protocol.h"
#include "process.h"

class TargetHost {
 public:
  // Starts `program` (in the tests folder) with `scenario` ("close",
  // "install" or "launch"); its log goes to a folder of the running test's
  // own for that scenario.
  explicit TargetHost(const std::string &scenario, const std::string &program = "target_host.exe");
  ~TargetHost();

  DWORD pid() const { return program_.id; }
  // The host's progress window, waited for until it is up; NULL, failing the
  // test, when it never came.
  HWND window();
  // The text of the window's status line, as it is now.
  std::string status();
  // Waits for the host to end and returns its exit code (HostReturnedTrue,
  // HostReturnedFalse, ...), STILL_ACTIVE when it is still running.
  DWORD wait(DWORD timeout_ms);

  std::string log() const;
  // The ticks logged right before the operation and right after it; a tick
  // that was not logged fails the test.
  DWORD begin_tick() const { return first_tick("begin "); }
  DWORD end_tick() const { return first_tick("end "); }
  std::string final_status() const;  // the status line when the operation had returned

 private:
  DWORD first_tick(const std::string &marker) const;
  Program program_;
  std::string log_path_;
  HWND window_ = NULL;
};

// The tick counts ("tick=<t>") of the lines of `log` that hold `marker`, in
// the order logged.
std::vector<DWORD> ticks_of(const std::string &log, const std::string &marker);

// The lines of `log` that hold `marker`.
std::vector<std::string> lines_with(const std::string &log, const std::string &marker);

// Whether `window` answers a sent message within `timeout_ms`, that is,
// whether its thread dispatches messages.
bool answers_messages(HWND window, DWORD timeout_ms);
