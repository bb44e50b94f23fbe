#include "update_run.h"

#include <gtest/gtest.h>

UpdateRun::UpdateRun(const std::string &setup, const std::string &tail, bool window_expected) {
  started_at_ = now_ms();
  updater_ = start_program(setup, "\"" + setup + "\"" + (tail.empty() ? "" : " " + tail));
  if (!window_expected) return;
  // The first status text stands for a second: found within 20 ms, the
  // window's first text is still on it.
  progress_ = wait_for_progress_window(updater_.id, 15000);
  if (progress_ != NULL) recorder_.reset(new StatusRecorder(progress_));
}

UpdateRun::~UpdateRun() {
  recorder_.reset();
  finish(updater_);
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
    if (wait_exit(20) != STILL_ACTIVE) break;  // no box can come any more
  } while (now_ms() - start < timeout_ms);
  return MessageBoxView();
}

void UpdateRun::answer(const MessageBoxView &box, int button) {
  answered_.insert(box.window);
  if (button == kEnterKey || button == kEscapeKey)
    press_key(box.window, button == kEnterKey ? VK_RETURN : VK_ESCAPE);
  else
    press_button(box.window, button);
  EXPECT_TRUE(wait_window_gone(box.window, 10000)) << "the box stays: " << box.text;
}

void UpdateRun::kill() {
  ASSERT_TRUE(TerminateProcess(updater_.process, 99));
  ASSERT_EQ(99u, wait_exit(10000));
}

DWORD UpdateRun::wait_exit(DWORD timeout_ms) { return wait_for_exit(updater_, timeout_ms); }

std::vector<std::string> UpdateRun::status_texts() {
  std::vector<std::string> texts;
  if (recorder_)
    for (const StatusChange &change : recorder_->changes())
      if (!change.text.empty()) texts.push_back(change.text);
  return texts;
}

DWORD UpdateRun::status_seen_at(const std::string &text, DWORD timeout_ms) {
  if (recorder_) return recorder_->wait_for(text, timeout_ms);
  ADD_FAILURE() << "no progress window to show " << text;
  return 0;
}

void set_environment(const char *name, const std::string &value) {
  SetEnvironmentVariableA(name, value.empty() ? NULL : value.c_str());
}
