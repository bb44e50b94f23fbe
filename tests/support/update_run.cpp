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
  char folder[MAX_PATH] = "";
  GetTempPathA(MAX_PATH, folder);
  path_ = std::string(folder) + "veltrano-events-" + std::to_string(GetCurrentProcessId()) + ".log";
  SECURITY_ATTRIBUTES inherited = {sizeof inherited, NULL, TRUE};
  file_ = CreateFileA(path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      &inherited, CREATE_ALWAYS, 0, NULL);
  EXPECT_NE(INVALID_HANDLE_VALUE, file_);
  set_environment("WINEDEBUG", "-all,+eventlog");
}

EventCapture::~EventCapture() {
  set_environment("WINEDEBUG", "-all");
  CloseHandle(file_);
  DeleteFileA(path_.c_str());
}

std::vector<std::string> EventCapture::events() const {
  const std::string marker = ":eventlog:ReportEventW L\"";
  std::vector<std::string> events;
  std::string output = read_file(path_);
  for (size_t at = output.find(marker); at != std::string::npos; at = output.find(marker, at + 1)) {
    size_t line = output.rfind('\n', at) + 1;  // npos + 1: the first line
    std::string level = output.substr(line, at - line);
    level = level.substr(level.rfind(':') + 1);  // after a process or thread prefix
    size_t begin = at + marker.size(), end = output.find("\"\n", begin);
    std::string type = level == "err" ? "error" : level == "warn" ? "warning" : "information";
    events.push_back(type + ": " + from_debug_string(output.substr(begin, end - begin)));
  }
  return events;
}

DWORD run_unseen(const std::string &setup, const std::string &tail, const EventCapture &events,
                 DWORD limit_ms) {
  Program updater = start_program(setup, "\"" + setup + "\"" + (tail.empty() ? "" : " " + tail), "",
                                  SW_SHOWNORMAL, unseen_desktop(), events.output());
  DWORD code = wait_for_exit(updater, limit_ms);
  finish(updater);
  return code;
}
