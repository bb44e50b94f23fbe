#include "launch.h"

#include <windows.h>

#include "../installation/locator.h"

namespace {

// How long the updater waits for the started application to be ready for
// input. An application that never gets there still counts as started: the
// updater, and its single-instance mutex, must not stay behind with it.
constexpr DWORD ReadyPatience = 60000;

}  // namespace

const char *application_switch(RunMode mode) { return mode == MediaUpgrade ? "Welcome" : "Setup"; }

bool start_worth_retrying(DWORD error, int attempts_made) {
  // A virus scanner opens a just-written executable for a moment, and while
  // it does, the start fails with one of these two. Anything else (a missing
  // or damaged file, too little memory) does not pass by itself. Wine
  // answers a start of a file held open without FILE_SHARE_READ with the
  // sharing violation (measured); access denied, which Windows gives for
  // some scanners' holds, is not seen there.
  bool passing = error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED;
  return passing && attempts_made < StartAttempts;
}

bool launch_application() {
  const char *exe = application_exe_path();
  if (exe == NULL) return false;
  char command[1024];
  wsprintfA(command, "\"%s\" /%s", exe, application_switch(run_mode()));

  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOW;
  PROCESS_INFORMATION process = {};
  // The progress window is gone by now: the pauses between attempts pump
  // nothing.
  for (int attempts = 1;; ++attempts) {
    if (CreateProcessA(exe, command, NULL, NULL, FALSE,
                       CREATE_NEW_CONSOLE | NORMAL_PRIORITY_CLASS | CREATE_NEW_PROCESS_GROUP, NULL,
                       application_folder(), &startup, &process))
      break;
    if (!start_worth_retrying(GetLastError(), attempts)) return false;
    Sleep(StartRetryPause);
  }
  WaitForInputIdle(process.hProcess, ReadyPatience);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}
