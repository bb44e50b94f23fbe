#include "process.h"

#include <gtest/gtest.h>

#include <vector>

#include "files.h"

Program start_program(const std::string &path, const std::string &command_line, const std::string &directory,
                      int show, const std::string &desktop) {
  std::string folder = directory;
  if (folder.empty()) folder = folder_of(path);
  std::vector<char> line(command_line.begin(), command_line.end());
  line.push_back(0);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(show);
  std::vector<char> desktop_name(desktop.begin(), desktop.end());
  desktop_name.push_back(0);
  if (!desktop.empty()) startup.lpDesktop = desktop_name.data();
  PROCESS_INFORMATION started = {};
  Program program;
  if (!CreateProcessA(path.c_str(), line.data(), NULL, NULL, FALSE, 0, NULL, folder.c_str(), &startup,
                      &started)) {
    ADD_FAILURE() << "cannot start " << path << ": " << GetLastError();
    return program;
  }
  CloseHandle(started.hThread);
  program.process = started.hProcess;
  program.id = started.dwProcessId;
  return program;
}

DWORD wait_for_exit(const Program &program, DWORD timeout_ms) {
  if (program.process == NULL) {
    ADD_FAILURE() << "the program never started";
    return WAIT_FAILED;
  }
  if (WaitForSingleObject(program.process, timeout_ms) != WAIT_OBJECT_0) return STILL_ACTIVE;
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(program.process, &code);
  return code;
}

void finish(Program &program) {
  if (program.process == NULL) return;
  if (WaitForSingleObject(program.process, 0) == WAIT_TIMEOUT) TerminateProcess(program.process, 99);
  CloseHandle(program.process);
  program.process = NULL;
}

std::string unseen_desktop() {
  static HWINSTA station = NULL;  // both kept for the life of the test process
  static HDESK desktop = NULL;
  if (desktop == NULL) {
    station = CreateWindowStationA("VeltranoUnseen", 0, WINSTA_ALL_ACCESS, NULL);
    HWINSTA own = GetProcessWindowStation();
    // A desktop is made on the process's own station: switch there briefly.
    if (station != NULL && SetProcessWindowStation(station)) {
      desktop = CreateDesktopA("Default", NULL, NULL, 0, GENERIC_ALL, NULL);
      SetProcessWindowStation(own);
    }
    EXPECT_NE(nullptr, desktop) << "no unseen desktop: " << GetLastError();
  }
  return "VeltranoUnseen\\Default";
}
