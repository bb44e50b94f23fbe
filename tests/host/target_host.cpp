// Test host for the services that touch the installed application: it opens
// the progress window as the updater does, runs one operation on it and
// reports the result as its exit code and in a log. Built like the updater
// (our start-up, no C runtime, the updater's resources, the payload as 107).
// Command line:
//   "<log>" close          close_running_application(window); HostFoundNoMutex
//                          when it could not wait for want of the mutex
//   "<log>" install        install_payload(window, 107, application_folder())
//   "<log>" launch         launch_application()
// The log gets "begin tick=<t>" right before the operation and
// "end tick=<t> result=<true|false> status=[<status line>]" after it.
#include <windows.h>

#include "../../driver/launch.h"
#include "../../installation/close_application.h"
#include "../../installation/locator.h"
#include "../../installation/payload.h"
#include "host_protocol.h"
#include "progress_window.h"
#include "resource_ids.h"

namespace {

char log_path[MAX_PATH];

void append_log(const char *line) {
  HANDLE file = CreateFileA(log_path, FILE_APPEND_DATA, FILE_SHARE_READ, NULL, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written;
  WriteFile(file, line, lstrlenA(line), &written, NULL);
  WriteFile(file, "\r\n", 2, &written, NULL);
  CloseHandle(file);
}

// Takes the quoted log path off the front of `tail`; returns the rest, or
// NULL when there is no quoted path that fits.
const char *take_log_path(const char *tail) {
  if (*tail != '"') return NULL;
  const char *start = ++tail;
  while (*tail != '\0' && *tail != '"') ++tail;
  if (*tail != '"' || tail - start >= MAX_PATH) return NULL;
  lstrcpynA(log_path, start, static_cast<int>(tail - start) + 1);
  ++tail;
  while (*tail == ' ') ++tail;
  return tail;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR tail, int) {
  const char *scenario = take_log_path(tail);
  if (scenario == NULL) return HostFailed;
  HWND window = create_progress_window();
  if (window == NULL) return HostFailed;

  char line[1024];
  wsprintfA(line, "begin tick=%lu", GetTickCount());
  append_log(line);
  unsigned long code = HostReturnedFalse;
  if (lstrcmpA(scenario, "close") == 0) {
    ClosingResult closing = close_running_application(window);
    if (closing == ClosingResult::ApplicationEnded) code = HostReturnedTrue;
    if (closing == ClosingResult::NoMutex) code = HostFoundNoMutex;
  } else if (lstrcmpA(scenario, "launch") == 0) {
    if (launch_application()) code = HostReturnedTrue;
  } else if (install_payload(window, IDR_PAYLOAD, application_folder())) {
    code = HostReturnedTrue;
  }
  DWORD end = GetTickCount();
  char status[512] = "";
  GetDlgItemTextA(window, IDC_STATUS, status, sizeof status);
  wsprintfA(line, "end tick=%lu result=%s status=[%s]", end, code == HostReturnedTrue ? "true" : "false",
            status);
  append_log(line);
  return code;
}
