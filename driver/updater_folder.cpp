#include "updater_folder.h"

#include <windows.h>

namespace {
char folder_cache[MAX_PATH];
}

void cut_after_last_backslash(char *path) {
  char *end = path;  // just after the last backslash seen so far
  for (char *p = path; *p != 0; p = CharNextA(p)) {
    if (*p == '\\') end = p + 1;
  }
  *end = 0;
}

const char *updater_folder() {
  if (folder_cache[0] == 0) {
    // A path that fills the buffer comes back unterminated on older systems.
    if (GetModuleFileNameA(NULL, folder_cache, MAX_PATH) == 0) return folder_cache;
    folder_cache[MAX_PATH - 1] = 0;
    cut_after_last_backslash(folder_cache);
  }
  return folder_cache;
}
