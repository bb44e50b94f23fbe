// Stand-in for the update disc's full installer (SETUP\SETUP.EXE), and for a
// decoy program planted where an unquoted path would be cut off: it records
// how it was started in "<its own name>.log" beside itself and ends.
#include <windows.h>

#include <cstring>

#include "standin_log.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  char self[MAX_PATH];
  GetModuleFileNameA(NULL, self, MAX_PATH);
  char *name = strrchr(self, '\\') + 1;
  char *dot = strrchr(name, '.');
  if (dot != NULL) *dot = 0;
  char log_name[MAX_PATH];
  snprintf(log_name, sizeof log_name, "%s.log", name);
  char log[MAX_PATH];
  path_beside_self(log, log_name);
  log_start(log, "start");
  return 0;
}
