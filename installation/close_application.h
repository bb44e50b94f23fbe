// Closing the running application before its files are replaced: waiting
// until its named mutex can be taken while asking its main window to close,
// then asking the companion windows to close.
#pragma once
#include <windows.h>

// How the wait for the application ended.
enum class ClosingResult {
  ApplicationEnded,  // the mutex was taken: not running, or it has ended
  UserGaveUp,        // Cancel on the question; no further box
  NoMutex,           // the mutex can be neither created nor opened; reported
};

// Waits, with `window` (the progress window) kept alive, until the
// application's mutex can be taken, asking the application to close after a
// grace period and asking the user to retry or give up after each minute
// without success. The caller tells a user's choice from a failure by the
// result.
ClosingResult close_running_application(HWND window);

// Sends WM_CLOSE to the first top-level window titled `title`, of any class,
// if there is one, and waits for it to be handled while pumping `window`, for
// as long as the window's program is not hung. Reports nothing and does not
// wait for the window to disappear.
void close_window_by_title(HWND window, const char *title);
