#include "update_run.h"

#include <gtest/gtest.h>

#include "files.h"

UpdateRun::UpdateRun(const std::string &setup, const std::string &tail, bool window_expected) {
  started_at_ = now_ms();
  updater_ = start_program(setup, "\"" + setup + "\"" + (tail.empty() ? "" : " " + tail));
  if (!window_expected) return;
  // The first status text stands for a second: found within 20 ms, the
  // window's first text is still on it.
  progress_ = wait_for_progress_window(updater_.id, 15000);
  // A window that never came fails here: a NULL window would otherwise pass
  // as the owner of an ownerless box.
  if (progress_ == NULL) ADD_FAILURE() << "the progress window never came";
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

namespace {

// The text of one `L"..."` that Wine's debug output gives: \XXXX is a
// UTF-16 unit in hex, \n, \r, \t, \\ and \" as in C; back to code page 932.
std::string from_debug_string(const std::string &quoted) {
  std::wstring wide;
  for (size_t i = 0; i < quoted.size(); ++i) {
    char c = quoted[i];
    if (c != '\\' || i + 1 == quoted.size()) {
      wide += static_cast<wchar_t>(static_cast<unsigned char>(c));
    } else if (isxdigit(static_cast<unsigned char>(quoted[i + 1])) && i + 4 < quoted.size()) {
      wide += static_cast<wchar_t>(std::stoul(quoted.substr(i + 1, 4), nullptr, 16));
      i += 4;
    } else {
      char escaped = quoted[++i];
      wide += escaped == 'n' ? L'\n' : escaped == 'r' ? L'\r' : escaped == 't' ? L'\t' : escaped;
    }
  }
  std::string text(wide.size() * 2, '\0');
  text.resize(WideCharToMultiByte(932, 0, wide.data(), static_cast<int>(wide.size()), &text[0],
                                  static_cast<int>(text.size()), NULL, NULL));
  return text;
}

}  // namespace

EventCapture::EventCapture() {
  char path[MAX_PATH] = "";
  if (GetEnvironmentVariableA("VELTRANO_DEBUG_OUTPUT", path, MAX_PATH) == 0)
    ADD_FAILURE() << "no VELTRANO_DEBUG_OUTPUT: run the test through support/wine_with_debug_file.sh";
  path_ = path;
  start_ = path_.empty() ? 0 : read_file(path_).size();
  set_environment("WINEDEBUG", "-all,+eventlog");
}

EventCapture::~EventCapture() { set_environment("WINEDEBUG", "-all"); }

std::vector<std::string> EventCapture::events() const {
  const std::string marker = ":eventlog:ReportEventW L\"";
  std::vector<std::string> events;
  std::string output = path_.empty() ? "" : read_file(path_).substr(start_);
  for (size_t at = output.find(marker); at != std::string::npos; at = output.find(marker, at + 1)) {
    size_t line = output.rfind('\n', at) + 1;  // npos + 1: the first line
    std::string level = output.substr(line, at - line);
    level = level.substr(level.rfind(':') + 1);  // after a process or thread prefix
    size_t begin = at + marker.size(), end = output.find('\n', begin);
    std::string quoted = output.substr(begin, end - begin), more;
    if (quoted.size() >= 4 && quoted.compare(quoted.size() - 4, 4, "\"...") == 0) more = "...";
    quoted.resize(quoted.size() - 1 - more.size());  // the closing quote, and "..." after it
    std::string type = level == "err" ? "error" : level == "warn" ? "warning" : "information";
    events.push_back(type + ": " + from_debug_string(quoted) + more);
  }
  return events;
}

DWORD run_unseen(const std::string &setup, const std::string &tail, DWORD limit_ms) {
  Program updater = start_program(setup, "\"" + setup + "\"" + (tail.empty() ? "" : " " + tail), "",
                                  SW_SHOWNORMAL, unseen_desktop());
  DWORD code = wait_for_exit(updater, limit_ms);
  finish(updater);
  return code;
}
