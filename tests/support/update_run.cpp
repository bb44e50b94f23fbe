#include "update_run.h"

#include "../../ui/caption.h"

UpdateRun::UpdateRun(const std::string &setup, const std::string &tail) {
  started_at_ = now_ms();
  updater_ = start_program(setup, "\"" + setup + "\"" + (tail.empty() ? "" : " " + tail));
  recorder_ = std::thread(&UpdateRun::record_statuses, this);
}

UpdateRun::~UpdateRun() {
  {
    std::lock_guard<std::mutex> guard(lock_);
    stop_ = true;
  }
  recorder_.join();
  finish(updater_);
}

HWND UpdateRun::progress_window(DWORD timeout_ms) {
  if (progress_ == NULL) progress_ = wait_for_dialog(updater_.id, UpdaterCaption, timeout_ms);
  return progress_;
}

// Polls the status line. The text is asked for with a time-out, since the
// updater answers only while it dispatches messages.
void UpdateRun::record_statuses() {
  HWND window = NULL;
  std::string last;
  for (;;) {
    {
      std::lock_guard<std::mutex> guard(lock_);
      if (stop_) return;
    }
    if (window == NULL) {
      for (HWND candidate : top_level_windows(updater_.id, false))
        if (window_class(candidate) == "#32770" && GetDlgItem(candidate, 1000) != NULL &&
            GetDlgItem(candidate, 0xFFFF) == NULL)
          window = candidate;
    }
    if (window != NULL && IsWindow(window)) {
      char text[512] = {};
      DWORD_PTR copied = 0;
      if (SendMessageTimeoutA(GetDlgItem(window, 1000), WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                              SMTO_ABORTIFHUNG, 500, &copied) &&
          text != last) {
        last = text;
        std::lock_guard<std::mutex> guard(lock_);
        changes_.push_back({last, now_ms()});
      }
    }
    Sleep(5);
  }
}

MessageBoxView UpdateRun::next_box(DWORD timeout_ms) {
  DWORD start = now_ms();
  do {
    for (HWND window : top_level_windows(updater_.id)) {
      if (is_message_box(window) && answered_.count(window) == 0) {
        Sleep(100);  // the box fills its texts and paints as it comes up
        return read_message_box(window);
      }
    }
    Sleep(20);
  } while (now_ms() - start < timeout_ms);
  return MessageBoxView();
}

void UpdateRun::answer(const MessageBoxView &box, int button) {
  answered_.insert(box.window);
  press_button(box.window, button);
  wait_window_gone(box.window, 10000);
}

DWORD UpdateRun::wait_exit(DWORD timeout_ms) { return wait_for_exit(updater_, timeout_ms); }

std::vector<StatusChange> UpdateRun::statuses() {
  std::lock_guard<std::mutex> guard(lock_);
  return changes_;
}

std::vector<std::string> UpdateRun::status_texts() {
  std::vector<std::string> texts;
  for (const StatusChange &change : statuses())
    if (!change.text.empty()) texts.push_back(change.text);
  return texts;
}

DWORD UpdateRun::status_seen_at(const std::string &text) {
  for (const StatusChange &change : statuses())
    if (change.text == text) return change.at;
  return 0;
}

void set_environment(const char *name, const std::string &value) {
  SetEnvironmentVariableA(name, value.empty() ? NULL : value.c_str());
}
