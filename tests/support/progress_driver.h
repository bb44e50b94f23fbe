// Watching and driving the updater's own windows from another process: the
// progress window, its status line and the About box.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "process.h"
#include "window_driver.h"

// Starts the test host that opens the progress window as the updater does
// and then runs `steps` (see tests/host/progress_host.cpp). `variant` picks
// a host that lacks one resource: "without_progress_dialog",
// "without_program_icon", "without_update_guide".
Program start_progress_host(const std::string &steps, const std::string &variant = "");

// The progress window of process `pid` (a "#32770" dialog titled with the
// updater's caption), waited for up to `timeout_ms`; NULL when none came.
HWND wait_for_progress_window(DWORD pid, DWORD timeout_ms);

struct ProgressWindowView {
  std::string class_name;
  std::string title;
  DWORD style = 0;
  DWORD ex_style = 0;
  HWND owner = NULL;
  bool visible = false;
  bool enabled = false;
  // No icons: under Wine WM_GETICON from another process answers NULL; see
  // title_bar_icon_mismatch.
  std::string status;       // control 1000
  std::string second_line;  // control 1003
};

ProgressWindowView read_progress_window(HWND window);

// Whether the tests run under Wine, which differs from Windows in a few
// behaviours the tests name where they meet them.
bool running_under_wine();

// Icon handles cannot be compared across processes under Wine: this compares
// pixels instead. The share (0 to 1) of `icon`'s opaque pixels, drawn here at
// 16 x 16, that differ clearly from the screen at the best-matching place
// near the left end of `window`'s title bar. The window must be uncovered.
double title_bar_icon_mismatch(HWND window, HICON icon);

struct StatusChange {
  DWORD at_ms;  // GetTickCount when the text was first seen
  std::string text;
};

// Records every text the status line shows, with the time it was first
// seen, by polling it every 10 ms on a thread of its own until stopped.
class StatusRecorder {
 public:
  explicit StatusRecorder(HWND window);
  ~StatusRecorder();
  StatusRecorder(const StatusRecorder &) = delete;
  StatusRecorder &operator=(const StatusRecorder &) = delete;

  // Waits up to `timeout_ms` until the status line has shown `text`; the
  // time it was first seen. Fails the test when it did not come.
  DWORD wait_for(const std::string &text, DWORD timeout_ms);
  std::vector<StatusChange> changes();

 private:
  static DWORD WINAPI poll(void *self);
  HWND window_;
  HANDLE thread_;
  volatile LONG stop_ = 0;
  CRITICAL_SECTION lock_;
  std::vector<StatusChange> changes_;
};

// Chooses the About entry of the progress window's system menu: sends
// WM_SYSCOMMAND with `command` (16, the entry's identifier). Does not wait
// for the box, which runs inside the handling of the message.
void choose_system_command(HWND window, WPARAM command);

// The About box of process `pid` ("#32770" titled "バージョン情報"), waited for
// up to `timeout_ms`; NULL when none came.
HWND wait_for_about_box(DWORD pid, DWORD timeout_ms);

// How many About boxes process `pid` shows.
int about_box_count(DWORD pid);

struct AboutBoxView {
  HWND window = NULL;
  HWND owner = NULL;
  std::string title;
  std::string caption;    // label 1001
  std::string copyright;  // label 1002
  std::string guide;      // edit control 1000
  int focus_id = 0;       // control with the keyboard focus
  int guide_lines = 0;
  std::string last_guide_line;
};

AboutBoxView read_about_box(HWND box);

// The control of `dialog` that has its thread's keyboard focus; 0 when none.
int focused_control_id(HWND dialog);

// A key press as the dialog manager takes it: WM_KEYDOWN and WM_KEYUP posted
// to the focused control of `dialog` (to `dialog` when nothing has focus).
// This helper and the two below fail the test when the window is gone or
// does not answer.
void press_key(HWND dialog, UINT key);

// A key pressed on the keyboard: `window` is brought to the foreground and
// the key goes in as input, reaching the window's thread as a real key does
// (a posted WM_KEYDOWN of F1 never turns into WM_HELP).
void type_key(HWND window, WORD key);

struct Selection {
  DWORD start;
  DWORD end;
  bool operator==(const Selection &other) const { return start == other.start && end == other.end; }
};

Selection guide_selection(HWND box);
void select_in_guide(HWND box, DWORD start, DWORD end);

// The Close entry of a window's system menu or the close button of its
// title bar: both arrive as WM_SYSCOMMAND SC_CLOSE.
void choose_close(HWND window);
