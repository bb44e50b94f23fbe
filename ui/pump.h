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

// Sends `message` (without parameters) to `target`, a window of another
// program, and waits until that program has handled it, pumping `window`
// meanwhile, so that the progress window keeps answering. There is no time
// limit: the wait lasts as long as the target's program keeps reading its
// messages (it may be showing a question of its own to its user). It gives
// up when the system keeps counting that program as hung (it has not read
// its messages for about five seconds) for a quarter of a second, and
// when the target window has gone: an application that has stopped
// answering cannot hold the updater. A message given up on stays with the
// target, which handles it if it ever answers again; its late answer is
// ignored. True when it was handled.
bool send_pumping(HWND window, HWND target, UINT message);
