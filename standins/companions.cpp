// Stand-in for the programs that run beside the application: it opens the
// three companion windows "Corvane.ScheduleNotify", "Wakebell - Untitled" and
// "Chimewell - Untitled", each of a class of its own, and records in
// "Companions.log" beside itself which of them received WM_CLOSE, in the
// order received. A window closes on WM_CLOSE; the program ends when all of
// its windows are gone. Switches for tests:
//   --twice   a second window titled "Corvane.ScheduleNotify" (number 2)
//   --hang    the "Wakebell - Untitled" window belongs to a thread that
//             stops reading its messages once the window is up
#include <windows.h>

#include <cstring>

#include "standin_log.h"

namespace {

char log_path[MAX_PATH];
int open_windows = 0;

// Each window carries its title and number in its user data for the log.
struct Companion {
  const char *class_name;
  const char *title;
  int number;
};

LRESULT CALLBACK companion_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CLOSE: {
      const Companion *companion =
          reinterpret_cast<const Companion *>(GetWindowLongPtrA(window, GWLP_USERDATA));
      append_log(log_path, "close [%s] #%d tick=%lu", companion->title, companion->number, GetTickCount());
      DestroyWindow(window);
      return 0;
    }
    case WM_DESTROY:
      if (--open_windows == 0) PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

void open_companion(const Companion &companion, int index) {
  WNDCLASSA window_class = {};
  window_class.lpfnWndProc = companion_procedure;
  window_class.hInstance = GetModuleHandleA(NULL);
  window_class.hCursor = LoadCursor(NULL, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  window_class.lpszClassName = companion.class_name;
  RegisterClassA(&window_class);  // fails harmlessly for a class already registered
  HWND window =
      CreateWindowExA(0, companion.class_name, companion.title, WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                      600 + 30 * index, 40 + 30 * index, 320, 120, NULL, NULL, GetModuleHandleA(NULL), NULL);
  if (window == NULL) return;
  SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&companion));
  ++open_windows;
}

const Companion companions[] = {{"CorvaneScheduleNotify", "Corvane.ScheduleNotify", 1},
                                {"WakebellMain", "Wakebell - Untitled", 1},
                                {"ChimewellMain", "Chimewell - Untitled", 1}};
const Companion second_notify = {"CorvaneScheduleNotify", "Corvane.ScheduleNotify", 2};

// Opens the Wakebell window on this thread, then never reads a message.
DWORD WINAPI hung_companion(void *ready) {
  open_companion(companions[1], 1);
  SetEvent(ready);
  Sleep(INFINITE);
  return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR command_line, int) {
  path_beside_self(log_path, "Companions.log");
  log_start(log_path, "start");
  bool hang = strstr(command_line, "--hang") != NULL;
  int index = 0;
  for (const Companion &companion : companions) {
    if (hang && &companion == &companions[1]) {
      HANDLE ready = CreateEventA(NULL, TRUE, FALSE, NULL);
      CloseHandle(CreateThread(NULL, 0, hung_companion, ready, 0, NULL));
      WaitForSingleObject(ready, INFINITE);
      CloseHandle(ready);
      ++index;
      continue;
    }
    open_companion(companion, index++);
  }
  if (strstr(command_line, "--twice") != NULL) open_companion(second_notify, index++);
  append_log(log_path, "ready windows=%d", open_windows);

  MSG message;
  while (GetMessageA(&message, NULL, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  append_log(log_path, "exit");
  return 0;
}
