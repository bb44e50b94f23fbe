#include "close_application.h"

#include "../ui/message_box.h"
#include "../ui/progress_window.h"
#include "../ui/pump.h"
#include "locator.h"

namespace {

// The application holds this mutex for as long as it runs.
constexpr char ApplicationMutex[] = "Corvane.MutexObject";

// Times in milliseconds of GetTickCount. Differences are taken as unsigned
// 32-bit values, so the wrap of the tick count after 49.7 days does not
// disturb them.
constexpr DWORD PollTimeout = 0;
constexpr DWORD Pause = 100;
constexpr DWORD GracePeriod = 1000;
constexpr DWORD Patience = 60000;

// The request goes to the popup that the main window last activated (an open
// dialog or message box of the application), otherwise to the main window:
// closing the main window under an open dialog would not get through. The
// send waits for as long as the application keeps reading its messages: one
// that asks its user first ("save your changes?") holds the update until
// that question is answered, and only then does the next pass look again,
// so no request reaches its question and dismisses it. One that has stopped
// answering is given up on within the system's hung threshold: it is simply
// one that does not end, and the patience below still runs out for it.
void ask_application_to_close(HWND window) {
  HWND main = application_main_window();
  if (main != NULL) send_pumping(window, GetLastActivePopup(main), WM_CLOSE);
}

void close_companion_windows(HWND window) {
  close_window_by_title(window, "Corvane.ScheduleNotify");
  close_window_by_title(window, "Wakebell - Untitled");
  close_window_by_title(window, "Chimewell - Untitled");
}

}  // namespace

void close_window_by_title(HWND window, const char *title) {
  HWND found = FindWindowA(NULL, title);
  if (found != NULL) send_pumping(window, found, WM_CLOSE);
}

ClosingResult close_running_application(HWND window) {
  // Opens the application's mutex, or creates it unowned when nobody has it.
  // Fails when another kind of object holds the name or access is denied.
  HANDLE mutex = CreateMutexA(NULL, FALSE, ApplicationMutex);
  if (mutex == NULL) {
    show_error(window, "同期オブジェクトの作成に失敗しました。");
    return ClosingResult::NoMutex;
  }

  ClosingResult result = ClosingResult::ApplicationEnded;
  bool shown = false;
  DWORD start = GetTickCount();
  // Free, abandoned by an application that ended without releasing it, or
  // failed: each ends the wait; only a mutex still held keeps it going.
  while (WaitForSingleObject(mutex, PollTimeout) == WAIT_TIMEOUT) {
    if (!shown) {
      set_status(window, "起動中のアプリケーションを終了しています。");
      shown = true;
    }
    pump_once(window);
    DWORD now = GetTickCount();
    if (now - start > Patience) {
      if (show_message(window, "起動中のアプリケーションを終了できません。",
                       MB_RETRYCANCEL | MB_ICONEXCLAMATION) == IDCANCEL) {
        result = ClosingResult::UserGaveUp;
        break;
      }
      // The patience starts again once the box has closed. `now` was read
      // before the box, so this pass sends a request at once.
      start = GetTickCount();
    }
    if (now - start > GracePeriod) ask_application_to_close(window);
    Sleep(Pause);
  }

  // Never released, also when taken: the handle is only closed. With no other
  // handle open the mutex goes with it, and the application, started again,
  // creates a fresh one.
  CloseHandle(mutex);
  close_companion_windows(window);
  return result;
}
