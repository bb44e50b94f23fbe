// Baseline: the updater's progress window alone. It shows the same dialog
// template with the same two pictures and dialog font, and does nothing
// else, until the window is closed. Its peak working set, with the window
// held open, is the floor for a program that shows that window under Wine.
#include <windows.h>

#include "resource_ids.h"

namespace {

INT_PTR CALLBACK dialog_procedure(HWND window, UINT message, WPARAM, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return TRUE;
    case WM_CLOSE:
      DestroyWindow(window);
      return TRUE;
    case WM_DESTROY:
      PostQuitMessage(0);
      return TRUE;
  }
  return FALSE;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  HWND window =
      CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_PROGRESS), GetDesktopWindow(), dialog_procedure, 0);
  if (window == NULL) return 1;
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);

  MSG message;
  while (GetMessageA(&message, NULL, 0, 0) > 0)
    if (!IsDialogMessageA(window, &message)) DispatchMessageA(&message);
  return 0;
}
