// Closing the running application before its files are replaced: waiting
// until its named mutex can be taken while asking its main window to close,
// then asking the companion windows to close.
#pragma once
#include <windows.h>

// Waits, with `window` (the progress window) kept alive, until the
// application's mutex can be taken, asking the application to close after a
// grace period and asking the user to retry or give up after each minute
// without success. Returns true when the mutex was taken (the application
// was not running or has ended); false when the mutex can be neither created
// nor opened (after an error box) or when the user gave up (no further box).
bool close_running_application(HWND window);

// Sends WM_CLOSE to the first top-level window titled `title`, of any class,
// if there is one. Reports nothing and does not wait for it to disappear.
void close_window_by_title(const char *title);
