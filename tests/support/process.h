// Starting programs as a user would, and waiting for them.
#pragma once
#include <windows.h>

#include <string>

struct Program {
  HANDLE process = NULL;
  DWORD id = 0;
};

// Starts `path` with `command_line` (the whole line, program name included)
// in `directory` (the program's own folder when empty), on `desktop`
// ("station\\desktop"; this one when empty). Fails the test when the program
// cannot be started.
Program start_program(const std::string &path, const std::string &command_line,
                      const std::string &directory = "", int show = SW_SHOWNORMAL,
                      const std::string &desktop = "");

// A desktop on a window station that no screen shows, as a service or a
// task run without a logged-on user has: made once per test process, for
// start_program's `desktop`. Its windows cannot be found from here, and a
// message box there is never answered.
std::string unseen_desktop();

// Waits up to `timeout_ms` for the program to end; returns its exit code, or
// STILL_ACTIVE when it is still running. A program that never started fails
// the test (and gives WAIT_FAILED): it would pass for one still running.
DWORD wait_for_exit(const Program &program, DWORD timeout_ms);

// Ends a program that a failed test left running and closes its handle.
void finish(Program &program);

// Milliseconds since an arbitrary start, for measuring pauses.
inline DWORD now_ms() { return GetTickCount(); }
