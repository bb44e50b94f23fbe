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
  // count. The time is tested before every dispatch, so a wait of 0
  // dispatches nothing and none follows once the time is up.
  DWORD start = GetTickCount();
  for (;;) {
    DWORD elapsed = GetTickCount() - start;
    if (elapsed >= milliseconds) return;
    // Sleeps until a message is waiting or the time is up, instead of asking
    // the queue over and over: under Wine every look at the queue is a
    // request to the wineserver, so polling kept two processes busy for the
    // whole pause. MWMO_INPUTAVAILABLE wakes for messages that are already
    // queued as well (one dispatch leaves the rest behind), and QS_ALLINPUT
    // covers messages sent from other threads, so a message is served as
    // soon as it arrives. A wait that ends early just goes round again.
    if (MsgWaitForMultipleObjectsEx(0, NULL, milliseconds - elapsed, QS_ALLINPUT, MWMO_INPUTAVAILABLE) !=
        WAIT_OBJECT_0)
      continue;
    if (GetTickCount() - start >= milliseconds) return;
    pump_once(window);
  }
}
