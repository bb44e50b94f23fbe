// Times one step of the updater's kept copy from inside, with the updater's
// own code (the step has no window of its own to watch from outside):
//   keep     the free-space walk of FOLDER, then its copy into the new
//            folder KEPT, as before the payload
//   restore  FOLDER put back from KEPT, as after a failed update
//   discard  KEPT removed
// and prints "<ms> <peak working set in KiB> <ok 0|1>".
// Usage: kept_copy_timing keep|restore|discard "<folder>\" "<kept copy>\"
#include <windows.h>
// After windows.h, which it needs.
#include <psapi.h>

#include <cstdio>
#include <cstring>

#include "../../installation/folder_copy.h"
#include "../measure/clock.h"

int main(int argc, char **argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: kept_copy_timing keep|restore|discard FOLDER\\ KEPT\\\n");
    return 2;
  }
  const char *step = argv[1], *folder = argv[2], *kept = argv[3];
  char failed[MAX_PATH];
  ULONGLONG bytes = 0;
  double started = now_ms();
  bool ok = false;
  if (std::strcmp(step, "keep") == 0)
    ok = CreateDirectoryA(kept, NULL) && tree_bytes(folder, &bytes) && copy_tree(NULL, folder, kept, failed);
  else if (std::strcmp(step, "restore") == 0)
    ok = put_back_tree(NULL, kept, folder);
  else if (std::strcmp(step, "discard") == 0)
    ok = remove_tree(kept);
  double took = now_ms() - started;

  // Wine reads the peak from Linux (VmHWM): what the process itself held,
  // not the file pages that passed through the system's cache.
  PROCESS_MEMORY_COUNTERS memory = {};
  memory.cb = sizeof memory;
  GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
  std::printf("%.1f %.0f %d\n", took, memory.PeakWorkingSetSize / 1024.0, ok ? 1 : 0);
  return ok ? 0 : 1;
}
