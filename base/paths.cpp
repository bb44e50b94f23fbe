#include "paths.h"

bool join_path(char *out, const char *folder, const char *name) {
  if (lstrlenA(folder) + lstrlenA(name) >= MAX_PATH) return false;
  wsprintfA(out, "%s%s", folder, name);
  return true;
}
