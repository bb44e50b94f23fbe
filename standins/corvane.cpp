// Stand-in for the installed application "Corvane.exe". It does what the
// updater relies on: holds "Corvane.MutexObject" while it runs, keeps its
// main window's handle in "Corvane.ini", ends when its main window gets
// WM_CLOSE. Everything that happens to it is logged to "Corvane.log" beside
// it. Switches for tests:
//   --ignore-close   the main window ignores WM_CLOSE
//   --ignore-close=N the main window ignores the first N WM_CLOSE, then ends
//   --popup          a modal popup is open over the main window; WM_CLOSE
//                    closes the popup first
//   --no-handle      "Window.Handle" is not written
//   --ask-on-close=N the main window answers WM_CLOSE with a question of its
//                    own ("save your changes?"), which its user answers Yes
//                    after N ms; WM_CLOSE that reaches the question dismisses
//                    it, and the application goes on running
//   --abandon-mutex  ends without releasing the mutex
// WM_APP posted to its main window makes it stop reading its messages for
// good, as a hung application does. The environment variable
// STANDIN_APPLICATION_BUSY_MS=<ms> makes it, as it starts, make a hidden
// window but not read its messages for that long, then end: it is never
// ready for input, and touches neither the mutex nor the ini file.
#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "standin_log.h"

namespace {

char log_path[MAX_PATH];
// WM_CLOSE requests the main window still ignores; -1: all of them.
int closes_to_ignore = 0;
HWND main_window = NULL;
// How long the user takes to answer the question asked on WM_CLOSE; 0: none
// is asked.
DWORD question_ms = 0;

bool has_switch(const char *command_line, const char *name) { return strstr(command_line, name) != NULL; }

int ignored_closes(const char *command_line) {
  const char *count = strstr(command_line, "--ignore-close=");
  if (count != NULL) return atoi(count + 15);
  return has_switch(command_line, "--ignore-close") ? -1 : 0;
}

LRESULT CALLBACK popup_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_CLOSE) {
    append_log(log_path, "close popup tick=%lu", GetTickCount());
    EnableWindow(main_window, TRUE);
    DestroyWindow(window);
    return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

// The user's answer, given a while after the question was asked: "Yes",
// save and close. Posted to the question, if it is still up.
void CALLBACK answer_question(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(NULL, timer);
  append_log(log_path, "question answered tick=%lu", GetTickCount());
  PostMessageA(GetLastActivePopup(main_window), WM_COMMAND, IDYES, 0);
}

// Asks, as a real application asks before it closes, in a message box of its
// own; true when the answer is to close. WM_CLOSE reaching the box answers
// Cancel: the question is dismissed and the application goes on running.
bool user_agrees_to_close() {
  SetTimer(NULL, 0, question_ms, answer_question);
  append_log(log_path, "question asked tick=%lu", GetTickCount());
  int answer = MessageBoxA(main_window, "変更を保存しますか？", "Veltrano", MB_YESNOCANCEL | MB_ICONQUESTION);
  if (answer == IDCANCEL) append_log(log_path, "close question tick=%lu", GetTickCount());
  return answer == IDYES;
}

LRESULT CALLBACK main_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CLOSE:
      if (closes_to_ignore != 0) {
        append_log(log_path, "close ignored tick=%lu", GetTickCount());
        if (closes_to_ignore > 0) --closes_to_ignore;
        return 0;
      }
      append_log(log_path, "close main tick=%lu", GetTickCount());
      if (question_ms == 0 || user_agrees_to_close()) DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    case WM_APP:
      append_log(log_path, "hang tick=%lu", GetTickCount());
      Sleep(INFINITE);
      return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

// Started busy: a window (so that the program has a message queue) whose
// messages are not read for `ms`, then the end.
int stay_busy(DWORD ms) {
  append_log(log_path, "busy tick=%lu", GetTickCount());
  CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, NULL, NULL, GetModuleHandleA(NULL), NULL);
  Sleep(ms);
  append_log(log_path, "busy over tick=%lu", GetTickCount());
  return 0;
}

HWND create_window(const char *class_name, WNDPROC procedure, const char *title, DWORD style, HWND owner,
                   int x, int y, int width, int height) {
  WNDCLASSA window_class = {};
  window_class.lpfnWndProc = procedure;
  window_class.hInstance = GetModuleHandleA(NULL);
  window_class.hCursor = LoadCursor(NULL, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  window_class.lpszClassName = class_name;
  RegisterClassA(&window_class);
  return CreateWindowExA(0, class_name, title, style, x, y, width, height, owner, NULL,
                         GetModuleHandleA(NULL), NULL);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR command_line, int show) {
  path_beside_self(log_path, "Corvane.log");
  log_start(log_path, "start");
  char busy[32];
  if (GetEnvironmentVariableA("STANDIN_APPLICATION_BUSY_MS", busy, sizeof busy) > 0)
    return stay_busy(strtoul(busy, NULL, 10));
  closes_to_ignore = ignored_closes(command_line);
  const char *ask = strstr(command_line, "--ask-on-close=");
  if (ask != NULL) question_ms = strtoul(ask + 15, NULL, 10);

  HANDLE mutex = CreateMutexA(NULL, TRUE, "Corvane.MutexObject");

  main_window = create_window("CorvaneStandInMain", main_procedure, "Veltrano", WS_OVERLAPPEDWINDOW, NULL, 40,
                              40, 480, 320);
  ShowWindow(main_window, show);
  UpdateWindow(main_window);

  if (!has_switch(command_line, "--no-handle")) {
    char ini[MAX_PATH];
    path_beside_self(ini, "Corvane.ini");
    char handle[32];
    snprintf(handle, sizeof handle, "%u", static_cast<unsigned>(reinterpret_cast<UINT_PTR>(main_window)));
    WritePrivateProfileStringA("Configuration", "Window.Handle", handle, ini);
  }

  if (has_switch(command_line, "--popup")) {
    HWND popup = create_window("CorvaneStandInPopup", popup_procedure, "Veltrano - 予定の編集",
                               WS_POPUP | WS_CAPTION | WS_VISIBLE, main_window, 80, 80, 300, 160);
    EnableWindow(main_window, FALSE);
    SetActiveWindow(popup);
  }

  MSG message;
  while (GetMessageA(&message, NULL, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }

  // The moment it ends, as the updater sees it: before the mutex is free.
  DWORD ended = GetTickCount();
  if (mutex != NULL && !has_switch(command_line, "--abandon-mutex")) ReleaseMutex(mutex);
  append_log(log_path, "exit tick=%lu", ended);
  return 0;
}
