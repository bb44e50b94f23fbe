// Process start-up for programs linked without the C runtime: forms the
// command-line tail and the show command, calls WinMain and ends the process
// with its result. Nothing here runs global constructors, so the programs
// keep no static objects that need them.
#include <windows.h>

#include "command_line.h"

extern "C" void WinMainCRTStartup(void) {
  STARTUPINFOA startup;
  startup.cb = sizeof startup;
  GetStartupInfoA(&startup);
  int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;

  char *tail = const_cast<char *>(command_line_tail(GetCommandLineA()));
  ExitProcess(static_cast<UINT>(WinMain(GetModuleHandleA(NULL), NULL, tail, show)));
}
