#include "progress_driver.h"

#include <gtest/gtest.h>

#include "../../ui/caption.h"
#include "files.h"
#include "window_driver.h"

namespace {

const char kAboutTitle[] = "バージョン情報";
const DWORD kAnswerTimeout = 2000;

std::string line_of(HWND edit, int line) {
  char text[1024] = {};
  *reinterpret_cast<WORD *>(text) = sizeof text - 1;  // EM_GETLINE takes the size here
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutA(edit, EM_GETLINE, line, reinterpret_cast<LPARAM>(text), SMTO_NORMAL,
                           kAnswerTimeout, &length))
    ADD_FAILURE() << "the guide does not answer";  // "" would pass for an empty line
  return std::string(text, length < sizeof text ? length : 0);
}

// The pixels of `bitmap` as 0x00RRGGBB values, top row first.
std::vector<DWORD> pixels_of(HBITMAP bitmap, int width, int height) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  std::vector<DWORD> pixels(width * height);
  HDC screen = GetDC(NULL);
  GetDIBits(screen, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
  ReleaseDC(NULL, screen);
  return pixels;
}

// `icon` drawn at 16 x 16 over a plain background of `colour`.
std::vector<DWORD> icon_over(HICON icon, COLORREF colour) {
  HDC screen = GetDC(NULL);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 16, 16);
  ReleaseDC(NULL, screen);
  HGDIOBJ previous = SelectObject(memory, bitmap);
  HBRUSH brush = CreateSolidBrush(colour);
  RECT area = {0, 0, 16, 16};
  FillRect(memory, &area, brush);
  DeleteObject(brush);
  DrawIconEx(memory, 0, 0, icon, 16, 16, 0, NULL, DI_NORMAL);
  SelectObject(memory, previous);
  DeleteDC(memory);
  std::vector<DWORD> pixels = pixels_of(bitmap, 16, 16);
  DeleteObject(bitmap);
  return pixels;
}

int colour_distance(DWORD a, DWORD b) {
  return abs(int(a & 0xFF) - int(b & 0xFF)) + abs(int((a >> 8) & 0xFF) - int((b >> 8) & 0xFF)) +
         abs(int((a >> 16) & 0xFF) - int((b >> 16) & 0xFF));
}

}  // namespace

bool running_under_wine() {
  return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != NULL;
}

double title_bar_icon_mismatch(HWND window, HICON icon) {
  // The icon's opaque pixels are those that come out alike over black and
  // over white.
  std::vector<DWORD> over_black = icon_over(icon, RGB(0, 0, 0));
  std::vector<DWORD> over_white = icon_over(icon, RGB(255, 255, 255));
  std::vector<int> opaque;
  for (int i = 0; i < 256; ++i)
    if (over_black[i] == over_white[i]) opaque.push_back(i);
  if (opaque.empty()) return 1.0;

  // The title bar's left end: room for frames and margins of any size.
  const int width = 48, height = 40;
  RECT frame;
  GetWindowRect(window, &frame);
  HDC screen = GetDC(NULL);
  HDC copy = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ previous = SelectObject(copy, bitmap);
  BitBlt(copy, 0, 0, width, height, screen, frame.left, frame.top, SRCCOPY);
  SelectObject(copy, previous);
  DeleteDC(copy);
  ReleaseDC(NULL, screen);
  std::vector<DWORD> shown = pixels_of(bitmap, width, height);
  DeleteObject(bitmap);

  size_t best = opaque.size();
  for (int top = 0; top + 16 <= height; ++top) {
    for (int left = 0; left + 16 <= width; ++left) {
      size_t differ = 0;
      for (int i : opaque)
        if (colour_distance(over_black[i], shown[(top + i / 16) * width + left + i % 16]) > 60) ++differ;
      if (differ < best) best = differ;
    }
  }
  return double(best) / double(opaque.size());
}

Program start_progress_host(const std::string &steps, const std::string &variant) {
  std::string host = build_path("tests\\progress_host" + (variant.empty() ? "" : "_" + variant) + ".exe");
  return start_program(host, "\"" + host + "\" " + steps);
}

HWND wait_for_progress_window(DWORD pid, DWORD timeout_ms) {
  return wait_for_dialog(pid, UpdaterCaption, timeout_ms);
}

ProgressWindowView read_progress_window(HWND window) {
  ProgressWindowView view;
  view.class_name = window_class(window);
  view.title = window_text(window);
  view.style = static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE));
  view.ex_style = static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE));
  view.owner = GetWindow(window, GW_OWNER);
  view.visible = IsWindowVisible(window) != FALSE;
  view.enabled = IsWindowEnabled(window) != FALSE;
  view.status = text_of_control(window, 1000);
  view.second_line = text_of_control(window, 1003);
  return view;
}

StatusRecorder::StatusRecorder(HWND window) : window_(window) {
  InitializeCriticalSection(&lock_);
  thread_ = CreateThread(NULL, 0, poll, this, 0, NULL);
}

StatusRecorder::~StatusRecorder() {
  InterlockedExchange(&stop_, 1);
  WaitForSingleObject(thread_, INFINITE);
  CloseHandle(thread_);
  DeleteCriticalSection(&lock_);
}

DWORD WINAPI StatusRecorder::poll(void *parameter) {
  StatusRecorder *self = static_cast<StatusRecorder *>(parameter);
  std::string last;
  bool first = true;
  while (!self->stop_) {
    if (!IsWindow(self->window_)) break;
    // Quietly: the window goes away when its program ends.
    std::string text;
    bool read = read_control_text(self->window_, 1000, &text);
    DWORD now = GetTickCount();
    if (read && (first || text != last)) {
      EnterCriticalSection(&self->lock_);
      self->changes_.push_back({now, text});
      LeaveCriticalSection(&self->lock_);
      last = text;
      first = false;
    }
    Sleep(10);
  }
  return 0;
}

std::vector<StatusChange> StatusRecorder::changes() {
  EnterCriticalSection(&lock_);
  std::vector<StatusChange> copy = changes_;
  LeaveCriticalSection(&lock_);
  return copy;
}

DWORD StatusRecorder::wait_for(const std::string &text, DWORD timeout_ms) {
  DWORD start = GetTickCount();
  do {
    for (const StatusChange &change : changes())
      if (change.text == text) return change.at_ms;
    Sleep(10);
  } while (GetTickCount() - start < timeout_ms);
  ADD_FAILURE() << "the status line never showed " << text;
  return 0;
}

void choose_system_command(HWND window, WPARAM command) {
  // The box's modal loop runs inside the handling: a short timeout lets the
  // message go on being handled while the test carries on.
  DWORD_PTR result;
  SendMessageTimeoutA(window, WM_SYSCOMMAND, command, 0, SMTO_NORMAL, 200, &result);
}

HWND wait_for_about_box(DWORD pid, DWORD timeout_ms) { return wait_for_dialog(pid, kAboutTitle, timeout_ms); }

int about_box_count(DWORD pid) {
  int count = 0;
  for (HWND window : top_level_windows(pid))
    if (window_class(window) == "#32770" && window_text(window) == kAboutTitle) ++count;
  return count;
}

int focused_control_id(HWND dialog) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(dialog, NULL), &info) || info.hwndFocus == NULL) return 0;
  if (GetParent(info.hwndFocus) != dialog) return 0;
  return GetDlgCtrlID(info.hwndFocus);
}

AboutBoxView read_about_box(HWND box) {
  AboutBoxView view;
  view.window = box;
  view.owner = GetWindow(box, GW_OWNER);
  view.title = window_text(box);
  view.caption = text_of_control(box, 1001);
  view.copyright = text_of_control(box, 1002);
  view.guide = text_of_control(box, 1000);
  view.focus_id = focused_control_id(box);
  HWND guide = GetDlgItem(box, 1000);
  DWORD_PTR lines = 0;
  SendMessageTimeoutA(guide, EM_GETLINECOUNT, 0, 0, SMTO_NORMAL, kAnswerTimeout, &lines);
  view.guide_lines = static_cast<int>(lines);
  if (lines > 0) view.last_guide_line = line_of(guide, static_cast<int>(lines) - 1);
  return view;
}

void press_key(HWND dialog, UINT key) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  HWND target = dialog;
  if (GetGUIThreadInfo(GetWindowThreadProcessId(dialog, NULL), &info) && info.hwndFocus != NULL)
    target = info.hwndFocus;
  UINT scan = MapVirtualKeyA(key, 0);
  EXPECT_TRUE(PostMessageA(target, WM_KEYDOWN, key, 1 | (scan << 16)) &&
              PostMessageA(target, WM_KEYUP, key, 1 | (scan << 16) | 0xC0000000u))
      << "the window is gone";
}

void type_key(HWND window, WORD key) {
  SetForegroundWindow(window);
  Sleep(200);  // the window takes the keyboard focus
  EXPECT_EQ(window, GetForegroundWindow()) << "the key would go to another window";
  INPUT keys[2] = {};
  keys[0].type = keys[1].type = INPUT_KEYBOARD;
  keys[0].ki.wVk = keys[1].ki.wVk = key;
  keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
  EXPECT_EQ(2u, SendInput(2, keys, sizeof keys[0])) << "the key was not typed";
}

Selection guide_selection(HWND box) {
  // Start and end come back as the two halves of the result: the guide is
  // far shorter than 65536 characters.
  DWORD_PTR both = 0;
  if (!SendMessageTimeoutA(GetDlgItem(box, 1000), EM_GETSEL, 0, 0, SMTO_NORMAL, kAnswerTimeout, &both))
    ADD_FAILURE() << "the guide does not answer";  // {0, 0} would pass for a selection
  return {LOWORD(both), HIWORD(both)};
}

void select_in_guide(HWND box, DWORD start, DWORD end) {
  DWORD_PTR result;
  if (!SendMessageTimeoutA(GetDlgItem(box, 1000), EM_SETSEL, start, end, SMTO_NORMAL, kAnswerTimeout,
                           &result))
    ADD_FAILURE() << "the guide does not answer";
}

void choose_close(HWND window) {
  EXPECT_TRUE(PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0)) << "the window is gone";
}
