// Test-only stand-in for the progress window's message pump, linked into the
// target host while ui/ does not provide it. It does what the declarations
// promise and nothing more.
#include "../../ui/pump.h"

void pump_once(HWND window) {
  MSG message;
  if (!PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) return;
  if (IsDialogMessageA(window, &message)) return;
  TranslateMessage(&message);
  DispatchMessageA(&message);
}

void wait_pumping(HWND window, DWORD milliseconds) {
  DWORD start = GetTickCount();
  while (GetTickCount() - start < milliseconds) pump_once(window);
}
