#include "run_mode.h"

#include <windows.h>

#include "../base/paths.h"
#include "updater_folder.h"

namespace {
RunMode mode = OrdinaryUpdate;
char installer_path[MAX_PATH];
}  // namespace

RunMode run_mode() { return mode; }

const char *full_installer_path() {
  if (installer_path[0] == 0 && !join_path(installer_path, updater_folder(), "SETUP\\SETUP.EXE")) return NULL;
  return installer_path;
}

int count_matching_files(const char *pattern) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(pattern, &found);
  if (search == INVALID_HANDLE_VALUE) return 0;
  int count = 1;
  while (FindNextFileA(search, &found)) ++count;
  FindClose(search);
  return count;
}

void decide_run_mode() {
  const char *installer = full_installer_path();
  mode = (installer != NULL && count_matching_files(installer) > 0) ? MediaUpgrade : OrdinaryUpdate;
}
