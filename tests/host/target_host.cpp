// Test host for the services that touch the installed application: it opens
// a window in place of the progress window, runs one operation on it and
// reports the result as its exit code and in a log. Command line:
//   target_host.exe <log> close          close_running_application
//   target_host.exe <log> install <id>   install_payload(window, id,
//                                        application_folder())
// The log gets "begin tick=<t>" right before the operation and
// "end tick=<t> result=<true|false> status=[<status line>]" after it.
#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "../../standins/standin_log.h"
#include "../../target/close_application.h"
#include "../../target/locator.h"
#include "../../target/payload.h"
#include "host_protocol.h"

namespace {

INT_PTR CALLBACK host_procedure(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

bool run(const char *scenario, int argc, char **argv, HWND window) {
  if (strcmp(scenario, "close") == 0) return close_running_application(window);
  WORD resource = argc > 3 ? static_cast<WORD>(atoi(argv[3])) : 107;
  return install_payload(window, resource, application_folder());
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  if (__argc < 3) return HostFailed;
  const char *log = __argv[1];
  HWND window =
      CreateDialogParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_HOST_WINDOW), NULL, host_procedure, 0);
  if (window == NULL) return HostFailed;
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);

  append_log(log, "begin tick=%lu", GetTickCount());
  bool result = run(__argv[2], __argc, __argv, window);
  DWORD end = GetTickCount();
  char status[512] = "";
  GetDlgItemTextA(window, IDC_HOST_STATUS, status, sizeof status);
  append_log(log, "end tick=%lu result=%s status=[%s]", end, result ? "true" : "false", status);
  DestroyWindow(window);
  return result ? HostReturnedTrue : HostReturnedFalse;
}
