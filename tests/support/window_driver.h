// Watching and driving another process's windows, as a user would: finding
// its windows and message boxes, reading their texts, pressing buttons.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// The top-level windows of process `pid` (visible ones only, unless asked).
std::vector<HWND> top_level_windows(DWORD pid, bool visible_only = true);

std::string window_class(HWND window);
std::string window_text(HWND window);

// The text of control `id`, asked for with a timeout so that a process that
// stopped answering cannot hang the test. False when the control is missing
// or does not answer.
bool read_control_text(HWND dialog, int id, std::string *text);

// The same, failing the test when there is no answer: an empty text that
// stands for a missing control would pass for an empty one.
std::string text_of_control(HWND dialog, int id);

// The dialog of class "#32770" with this title, belonging to `pid`, waited
// for up to `timeout_ms`; NULL when none came.
HWND wait_for_dialog(DWORD pid, const std::string &title, DWORD timeout_ms);

struct Button {
  int id;
  std::string text;
};

// A message box as the user sees it.
struct MessageBoxView {
  HWND window = NULL;
  HWND owner = NULL;
  std::string caption;
  std::string text;
  std::vector<Button> buttons;
  // The button styled BS_DEFPUSHBUTTON, which Enter presses (Wine's message
  // box answers DM_GETDEFID with IDOK, a button it may not have); 0: none.
  int default_button = 0;
  std::string icon;  // "error", "information", "question", "warning" or "none"

  bool found() const { return window != NULL; }
  bool has_buttons(std::vector<int> ids) const;
};

// Whether `window` is a message box: a "#32770" dialog with the text static
// 0xFFFF (a picture static with that id does not count).
bool is_message_box(HWND window);

// Waits up to `timeout_ms` for a visible message box of process `pid`.
MessageBoxView wait_for_message_box(DWORD pid, DWORD timeout_ms);

// Reads a message box (its icon is told from the pixels drawn on screen).
MessageBoxView read_message_box(HWND box);

// Presses the button `id` of a dialog, as a click would; fails the test when
// the dialog shows no such button to press or has gone.
void press_button(HWND dialog, int id);

// Waits until `window` is gone; true when it went within `timeout_ms`.
bool wait_window_gone(HWND window, DWORD timeout_ms);
