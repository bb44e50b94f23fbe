#include "window_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

struct Search {
  DWORD pid;
  bool visible_only;
  std::vector<HWND> found;
};

BOOL CALLBACK collect_window(HWND window, LPARAM parameter) {
  Search *search = reinterpret_cast<Search *>(parameter);
  DWORD owner_pid = 0;
  GetWindowThreadProcessId(window, &owner_pid);
  if (owner_pid == search->pid && (!search->visible_only || IsWindowVisible(window)))
    search->found.push_back(window);
  return TRUE;
}

BOOL CALLBACK collect_button(HWND child, LPARAM parameter) {
  char class_name[32] = {};
  GetClassNameA(child, class_name, sizeof class_name);
  if (lstrcmpiA(class_name, "Button") == 0 && IsWindowVisible(child)) {
    MessageBoxView *view = reinterpret_cast<MessageBoxView *>(parameter);
    view->buttons.push_back({GetDlgCtrlID(child), window_text(child)});
    if ((GetWindowLongA(child, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
      view->default_button = GetDlgCtrlID(child);
  }
  return TRUE;
}

// Counts the pixels of a 32 x 32 screen area that differ clearly from the
// icon drawn by this process over the same background.
int icon_difference(HDC screen_copy, int left, int top, HICON icon) {
  HDC memory = CreateCompatibleDC(screen_copy);
  HBITMAP bitmap = CreateCompatibleBitmap(screen_copy, 32, 32);
  HGDIOBJ previous = SelectObject(memory, bitmap);
  HBRUSH background = CreateSolidBrush(GetPixel(screen_copy, left, top));
  RECT area = {0, 0, 32, 32};
  FillRect(memory, &area, background);
  DeleteObject(background);
  DrawIconEx(memory, 0, 0, icon, 32, 32, 0, NULL, DI_NORMAL);
  int difference = 0;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      COLORREF a = GetPixel(memory, x, y), b = GetPixel(screen_copy, left + x, top + y);
      int distance = abs(GetRValue(a) - GetRValue(b)) + abs(GetGValue(a) - GetGValue(b)) +
                     abs(GetBValue(a) - GetBValue(b));
      if (distance > 60) ++difference;
    }
  }
  SelectObject(memory, previous);
  DeleteObject(bitmap);
  DeleteDC(memory);
  return difference;
}

// The kind of the system icon that a message box shows in its static 0x440.
std::string icon_kind(HWND box) {
  HWND icon_control = GetDlgItem(box, 0x440);
  if (icon_control == NULL || !IsWindowVisible(icon_control)) return "none";
  RECT area;
  GetWindowRect(icon_control, &area);
  SetForegroundWindow(box);
  Sleep(100);  // let the box come up and paint before its pixels are read

  HDC screen = GetDC(NULL);
  HDC copy = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 32, 32);
  HGDIOBJ previous = SelectObject(copy, bitmap);
  BitBlt(copy, 0, 0, 32, 32, screen, area.left, area.top, SRCCOPY);
  ReleaseDC(NULL, screen);

  struct Candidate {
    const char *name;
    LPCSTR icon;
  } candidates[] = {{"error", IDI_HAND},
                    {"information", IDI_ASTERISK},
                    {"question", IDI_QUESTION},
                    {"warning", IDI_EXCLAMATION}};
  std::string best = "unknown";
  int best_difference = 32 * 32 / 8;  // more than an eighth differs: no match
  for (const Candidate &candidate : candidates) {
    int difference = icon_difference(copy, 0, 0, LoadIconA(NULL, candidate.icon));
    if (difference < best_difference) {
      best_difference = difference;
      best = candidate.name;
    }
  }
  SelectObject(copy, previous);
  DeleteObject(bitmap);
  DeleteDC(copy);
  return best;
}

}  // namespace

std::vector<HWND> top_level_windows(DWORD pid, bool visible_only) {
  Search search{pid, visible_only, {}};
  EnumWindows(collect_window, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::string window_class(HWND window) {
  char name[256] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

std::string window_text(HWND window) {
  char text[4096] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

bool read_control_text(HWND dialog, int id, std::string *text) {
  HWND control = GetDlgItem(dialog, id);
  std::vector<char> buffer(16384);
  DWORD_PTR length = 0;
  if (control == NULL ||
      !SendMessageTimeoutA(control, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()),
                           SMTO_NORMAL, 2000, &length))
    return false;
  text->assign(buffer.data(), length < buffer.size() ? length : 0);
  return true;
}

std::string text_of_control(HWND dialog, int id) {
  std::string text;
  if (!read_control_text(dialog, id, &text))
    ADD_FAILURE() << "control " << id << " is missing or does not answer";
  return text;
}

HWND wait_for_dialog(DWORD pid, const std::string &title, DWORD timeout_ms) {
  DWORD start = GetTickCount();
  do {
    for (HWND window : top_level_windows(pid))
      if (window_class(window) == "#32770" && window_text(window) == title && !is_message_box(window))
        return window;
    Sleep(20);
  } while (GetTickCount() - start < timeout_ms);
  return NULL;
}

bool MessageBoxView::has_buttons(std::vector<int> ids) const {
  std::vector<int> present;
  for (const Button &button : buttons) present.push_back(button.id);
  std::sort(present.begin(), present.end());
  std::sort(ids.begin(), ids.end());
  return present == ids;
}

bool is_message_box(HWND window) {
  // A dialog's picture static can also have the id 0xFFFF (-1 in a standard
  // template, as in the About box); a message box's is text.
  if (window_class(window) != "#32770") return false;
  HWND text = GetDlgItem(window, 0xFFFF);
  if (text == NULL) return false;
  LONG type = GetWindowLongA(text, GWL_STYLE) & SS_TYPEMASK;
  return type != SS_ICON && type != SS_BITMAP;
}

MessageBoxView read_message_box(HWND box) {
  MessageBoxView view;
  view.window = box;
  view.owner = GetWindow(box, GW_OWNER);
  view.caption = window_text(box);
  view.text = window_text(GetDlgItem(box, 0xFFFF));
  EnumChildWindows(box, collect_button, reinterpret_cast<LPARAM>(&view));
  view.icon = icon_kind(box);
  return view;
}

MessageBoxView wait_for_message_box(DWORD pid, DWORD timeout_ms) {
  DWORD start = GetTickCount();
  do {
    for (HWND window : top_level_windows(pid)) {
      if (is_message_box(window)) {
        Sleep(50);  // the box fills its texts as it is created
        return read_message_box(window);
      }
    }
    Sleep(20);
  } while (GetTickCount() - start < timeout_ms);
  return MessageBoxView();
}

void press_button(HWND dialog, int id) {
  // A dialog takes the command of a button it does not show just the same
  // (a message box hides the buttons it does not use).
  HWND button = GetDlgItem(dialog, id);
  EXPECT_TRUE(button != NULL && IsWindowVisible(button) && IsWindowEnabled(button)) << "no button " << id;
  EXPECT_TRUE(PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button)))
      << "the dialog is gone";
}

bool wait_window_gone(HWND window, DWORD timeout_ms) {
  DWORD start = GetTickCount();
  while (IsWindow(window)) {
    if (GetTickCount() - start >= timeout_ms) return false;
    Sleep(20);
  }
  return true;
}
