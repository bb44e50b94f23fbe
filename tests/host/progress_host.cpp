// Test host: opens the progress window as the updater does, then runs the
// steps given on its command line, so that window tests need not go through
// an update. Built like the updater (our start-up, no C runtime, the
// updater's resources). Steps, separated by blanks, a step in double quotes
// when it holds blanks:
//   status=TEXT    set the status line
//   wait=MS        pump for MS milliseconds
//   message=TEXT   show TEXT in a message box owned by the window
//   about          open the About box as its system-menu entry does (the
//                  host stays in it until the box is closed)
//   destroy        destroy the window
//   trace=PATH     from now on, add a line "WM_HELP" to the file PATH for
//                  each WM_HELP that reaches the window, so that a test can
//                  tell a request that was refused from one that never came
// Exit code 0, or 1 when the window could not be created.
#include <windows.h>

#include "message_box.h"
#include "progress_window.h"
#include "pump.h"

namespace {

// The rest of `step` after `prefix`, or NULL when it does not start so.
const char *after_prefix(const char *step, const char *prefix) {
  for (; *prefix != '\0'; ++prefix, ++step)
    if (*step != *prefix) return NULL;
  return step;
}

DWORD decimal(const char *text) {
  DWORD value = 0;
  for (; *text >= '0' && *text <= '9'; ++text) value = value * 10 + (*text - '0');
  return value;
}

// Cuts the next step out of `cursor` in place and advances it; NULL at the end.
char *next_step(char **cursor) {
  char *p = *cursor;
  while (*p == ' ') ++p;
  if (*p == '\0') return NULL;
  char end = ' ';
  if (*p == '"') {
    end = '"';
    ++p;
  }
  char *step = p;
  while (*p != '\0' && *p != end) ++p;
  if (*p != '\0') *p++ = '\0';
  *cursor = p;
  return step;
}

HWND traced_window;
char trace_path[MAX_PATH];

// Sees each message sent to a window of the host's thread before its
// procedure does.
LRESULT CALLBACK trace_sent(int code, WPARAM wparam, LPARAM lparam) {
  const CWPSTRUCT *sent = reinterpret_cast<const CWPSTRUCT *>(lparam);
  if (code == HC_ACTION && sent->hwnd == traced_window && sent->message == WM_HELP) {
    HANDLE file = CreateFileA(trace_path, FILE_APPEND_DATA, FILE_SHARE_READ, NULL, OPEN_ALWAYS, 0, NULL);
    DWORD written;
    if (file != INVALID_HANDLE_VALUE) {
      WriteFile(file, "WM_HELP\r\n", 9, &written, NULL);
      CloseHandle(file);
    }
  }
  return CallNextHookEx(NULL, code, wparam, lparam);
}

void run_step(HWND window, const char *step) {
  const char *argument;
  if ((argument = after_prefix(step, "status=")) != NULL) {
    set_status(window, argument);
  } else if ((argument = after_prefix(step, "wait=")) != NULL) {
    wait_pumping(window, decimal(argument));
  } else if ((argument = after_prefix(step, "message=")) != NULL) {
    show_message(window, argument, MB_OK | MB_ICONINFORMATION);
  } else if (lstrcmpA(step, "about") == 0) {
    SendMessageA(window, WM_SYSCOMMAND, AboutCommand, 0);
  } else if ((argument = after_prefix(step, "trace=")) != NULL) {
    lstrcpynA(trace_path, argument, MAX_PATH);
    traced_window = window;
    SetWindowsHookExA(WH_CALLWNDPROC, trace_sent, NULL, GetCurrentThreadId());
  } else if (lstrcmpA(step, "destroy") == 0) {
    DestroyWindow(window);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR tail, int) {
  HWND window = create_progress_window();
  if (window == NULL) return 1;
  char steps[2048];
  lstrcpynA(steps, tail, sizeof steps);
  char *cursor = steps;
  for (char *step; (step = next_step(&cursor)) != NULL;) run_step(window, step);
  return 0;
}
