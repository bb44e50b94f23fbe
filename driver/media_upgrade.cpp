#include "media_upgrade.h"

#include <windows.h>

#include "../installation/locator.h"
#include "run_mode.h"
#include "version.h"

bool media_upgrade_applies() {
  VS_FIXEDFILEINFO record;
  return application_installed() && read_file_version(application_exe_path(), &record) &&
         HIWORD(record.dwFileVersionMS) < LowestUpdatableMajor;
}

bool start_full_installer() {
  char command[MAX_PATH + 2];
  wsprintfA(command, "\"%s\"", full_installer_path());
  // WinExec answers above 31 once the program has started.
  return WinExec(command, SW_SHOW) > 31;
}
