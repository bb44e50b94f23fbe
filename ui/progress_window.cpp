#include "progress_window.h"

#include "about_box.h"
#include "caption.h"
#include "message_box.h"
#include "resource_ids.h"

namespace {

// The About box runs its modal loop here, inside whatever dispatch brought
// the message, so the update stands still until the box is closed.
INT_PTR CALLBACK progress_window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return TRUE;
    case WM_HELP:
      // F1 reaches the window also while a box it owns (a message box, the
      // About box) is open; it opens nothing then.
      if (GetLastActivePopup(window) != window) return FALSE;
      show_about_box(window);
      return TRUE;
    case WM_SYSCOMMAND:
      // The platform uses the four low bits of the command for itself. No
      // popup test here: while a box owned by the window is open, the window
      // is disabled and its system menu out of reach.
      if ((wparam & 0xFFF0) != AboutCommand) return FALSE;
      show_about_box(window);
      return TRUE;
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
      // The dialog and all its static controls are painted on white.
      return reinterpret_cast<INT_PTR>(GetStockObject(WHITE_BRUSH));
  }
  // Neither WM_CLOSE nor WM_COMMAND is handled, so a close request, Esc and
  // Enter come to nothing: the user cannot close the window.
  return FALSE;
}

}  // namespace

HWND create_progress_window() {
  HINSTANCE module = GetModuleHandleA(NULL);
  // With the desktop as parent the window has no owner; it is created hidden.
  HWND window = CreateDialogParamA(module, MAKEINTRESOURCEA(IDD_PROGRESS), GetDesktopWindow(),
                                   progress_window_procedure, 0);
  if (window == NULL) {
    show_error(NULL, "ウィンドウの作成に失敗しました。");
    return NULL;
  }

  // On the failures below the hidden window stays; it goes with the process.
  HMENU menu = GetSystemMenu(window, FALSE);
  if (menu == NULL) {
    show_error(window, "システムメニューを取得できません。");
    return NULL;
  }
  EnableMenuItem(menu, SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
  AppendMenuA(menu, MF_SEPARATOR, 0, NULL);
  // No accelerator table: F1 arrives as WM_HELP, "F1" is only the shortcut text.
  AppendMenuA(menu, MF_STRING, AboutCommand, "バージョン情報(&A)...\tF1");

  HICON icon = LoadIconA(module, MAKEINTRESOURCEA(IDI_PROGRAM));
  if (icon == NULL) {
    show_error(window, "プログラムアイコンの読み込みに失敗しました。");
    return NULL;
  }
  SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));

  SetWindowTextA(window, UpdaterCaption);
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  return window;
}

void set_status(HWND window, const char *text) { SetDlgItemTextA(window, IDC_STATUS, text); }
