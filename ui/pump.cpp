#include "pump.h"

void pump_once(HWND window) {
  MSG message;
  if (!PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) return;
  // The dialog manager takes the progress window's own messages and turns
  // its keys into dialog navigation; anything else (another window of the
  // thread, or a message posted to the thread itself) is dispatched plainly.
  // A quit message is taken off the queue like any other and goes nowhere.
  if (IsDialogMessageA(window, &message)) return;
  TranslateMessage(&message);
  DispatchMessageA(&message);
}

void wait_pumping(HWND window, DWORD milliseconds) {
  // The unsigned difference stays right across the wrap-around of the tick
  // count. No sleep between polls: the window must answer at once, and the
  // waits are short (a second at a time).
  DWORD start = GetTickCount();
  while (GetTickCount() - start < milliseconds) pump_once(window);
}
