#include "target_host.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "files.h"
#include "progress_driver.h"
#include "window_driver.h"

TargetHost::TargetHost(const std::string &scenario, const std::string &program) {
  log_path_ = fresh_test_folder("-host-" + scenario) + "host.log";
  std::string path = build_path("tests\\" + program);
  program_ = start_program(path, "\"" + path + "\" \"" + log_path_ + "\" " + scenario);
}

TargetHost::~TargetHost() { finish(program_); }

HWND TargetHost::window() {
  if (window_ != NULL) return window_;
  window_ = wait_for_progress_window(program_.id, 10000);
  // Fails the test here: a NULL window would otherwise pass as the owner of
  // an ownerless box.
  if (window_ == NULL) ADD_FAILURE() << "the host's progress window never came";
  return window_;
}

std::string TargetHost::status() { return text_of_control(window(), 1000); }

DWORD TargetHost::wait(DWORD timeout_ms) { return wait_for_exit(program_, timeout_ms); }

std::string TargetHost::log() const { return read_file(log_path_); }

DWORD TargetHost::first_tick(const std::string &marker) const {
  std::vector<DWORD> ticks = ticks_of(log(), marker);
  if (ticks.empty()) ADD_FAILURE() << "no \"" << marker << "\" line in the host's log: " << log();
  return ticks.empty() ? 0 : ticks.front();
}

std::string TargetHost::final_status() const {
  std::string text = log();
  size_t start = text.find("status=[");
  if (start == std::string::npos) return "(no end line)";
  start += 8;
  return text.substr(start, text.find("]\r\n", start) - start);
}

std::vector<std::string> lines_with(const std::string &log, const std::string &marker) {
  std::vector<std::string> found;
  std::istringstream lines(log);
  std::string line;
  while (std::getline(lines, line))
    if (contains(line, marker)) found.push_back(line);
  return found;
}

std::vector<DWORD> ticks_of(const std::string &log, const std::string &marker) {
  std::vector<DWORD> ticks;
  for (const std::string &line : lines_with(log, marker)) {
    size_t at = line.find("tick=");
    if (at != std::string::npos) ticks.push_back(strtoul(line.c_str() + at + 5, NULL, 10));
  }
  return ticks;
}

bool answers_messages(HWND window, DWORD timeout_ms) {
  DWORD_PTR result;
  return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, timeout_ms, &result) != 0;
}
