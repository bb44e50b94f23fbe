#include "companions.h"

#include <gtest/gtest.h>

#include "files.h"
#include "target_host.h"

Companions::Companions(const std::string &switches) {
  folder_ = fresh_test_folder("-companions");
  std::string exe = folder_ + "Companions.exe";
  copy_file(build_path("standins\\Companions.exe"), exe);
  program_ = start_program(exe, "\"" + exe + "\" " + switches);
  wait_for_text(folder_ + "Companions.log", "ready", 10000);
  // Without them, "nothing was asked to close" would pass for want of windows.
  for (const char *title : {"Corvane.ScheduleNotify", "Wakebell - Untitled", "Chimewell - Untitled"})
    EXPECT_NE(nullptr, FindWindowA(NULL, title)) << title << " is not up";
}

Companions::~Companions() { finish(program_); }

std::string Companions::log() const { return read_file(folder_ + "Companions.log"); }

std::vector<std::string> Companions::closed() const {
  std::vector<std::string> titles;
  for (const std::string &line : lines_with(log(), "close [")) {
    size_t start = line.find('[') + 1;
    titles.push_back(line.substr(start, line.find(" tick=") - start));
  }
  return titles;
}
