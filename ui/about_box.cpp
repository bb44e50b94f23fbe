#include "about_box.h"

#include "caption.h"
#include "resource_ids.h"
#include "update_guide.h"

namespace {

// The maker's copyright line under the caption.
const char kCopyright[] = "Copyright (C) Pellix Corporation. All rights reserved.";

// The guide's selection, kept for the whole run: saved whenever the guide
// loses the focus and put back whenever it gains it, in this showing of the
// box and in later ones. Character positions as EM_GETSEL reports them.
DWORD saved_selection_start = 0;
DWORD saved_selection_end = 0;

void fill_box(HWND box) {
  SetWindowTextA(GetDlgItem(box, IDC_ABOUT_CAPTION), UpdaterCaption);
  SetWindowTextA(GetDlgItem(box, IDC_COPYRIGHT), kCopyright);
  // Loaded anew for every showing; a missing guide leaves the control empty.
  char *guide = load_update_guide();
  SetWindowTextA(GetDlgItem(box, IDC_GUIDE), guide != NULL ? guide : "");
  release_update_guide(guide);
  SetFocus(GetDlgItem(box, IDOK));
}

void on_command(HWND box, WORD id, WORD notification, HWND control) {
  if (id == IDOK || id == IDCANCEL) {
    // Every way of closing the box runs through WM_CLOSE.
    SendMessageA(box, WM_CLOSE, 0, 0);
  } else if (id == IDC_GUIDE && notification == EN_SETFOCUS) {
    SendMessageA(control, EM_SETSEL, saved_selection_start, saved_selection_end);
  } else if (id == IDC_GUIDE && notification == EN_KILLFOCUS) {
    SendMessageA(control, EM_GETSEL, reinterpret_cast<WPARAM>(&saved_selection_start),
                 reinterpret_cast<LPARAM>(&saved_selection_end));
  }
}

INT_PTR CALLBACK about_box_procedure(HWND box, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      fill_box(box);
      return FALSE;  // the focus has been set above
    case WM_COMMAND:
      on_command(box, LOWORD(wparam), HIWORD(wparam), reinterpret_cast<HWND>(lparam));
      return FALSE;
    case WM_CLOSE:
      EndDialog(box, 0);
      return FALSE;
  }
  return FALSE;
}

}  // namespace

void show_about_box(HWND owner) {
  DialogBoxParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_ABOUT), owner, about_box_procedure, 0);
}
