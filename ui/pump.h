// The message pump that keeps the progress window alive while the updater
// waits. The updater has no message loop of its own: long-running steps call
// these between their own work.
#pragma once
#include <windows.h>

// Dispatches at most one waiting message of the thread, if any.
void pump_once(HWND window);

// Pumps until at least `milliseconds` have passed, dispatching each message
// as it comes and sleeping while the queue is empty.
void wait_pumping(HWND window, DWORD milliseconds);
