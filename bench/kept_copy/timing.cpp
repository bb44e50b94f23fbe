// Times the updater's kept copy from inside, with the updater's own code (it
// has no window of its own to watch from outside): keeps a copy of an
// application folder as the updater does before the payload (the free-space
// walk, then the copy), puts the folder back from it as after a failed
// update (every file written again, as a restore always does), and removes
// the copy. Prints one line:
//   kept <MiB> run=<n> ok=<0|1> keep_ms=... restore_ms=... discard_ms=... peak_kib=...
// Usage: kept_copy_timing MIB RUN "<application folder>\" "<kept copy folder>\"
#include <windows.h>
// After windows.h, which it needs.
#include <psapi.h>

#include <cstdio>

#include "../../installation/folder_copy.h"
#include "../measure/clock.h"

int main(int argc, char **argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: kept_copy_timing MIB RUN FOLDER\\ KEPT\\\n");
    return 2;
  }
  const char *folder = argv[3], *kept = argv[4];
  char failed[MAX_PATH];
  ULONGLONG bytes = 0;

  double started = now_ms();
  bool ok =
      CreateDirectoryA(kept, NULL) && tree_bytes(folder, &bytes) && copy_tree(NULL, folder, kept, failed);
  double kept_at = now_ms();
  ok = put_back_tree(NULL, kept, folder) && ok;
  double restored_at = now_ms();
  ok = remove_tree(kept) && ok;
  double removed_at = now_ms();

  // Wine reads the peak from Linux (VmHWM): what the process itself held,
  // not the file pages that passed through the system's cache.
  PROCESS_MEMORY_COUNTERS memory = {};
  memory.cb = sizeof memory;
  GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
  std::printf("kept %s run=%s ok=%d keep_ms=%.1f restore_ms=%.1f discard_ms=%.1f peak_kib=%.0f\n", argv[1],
              argv[2], ok ? 1 : 0, kept_at - started, restored_at - kept_at, removed_at - restored_at,
              memory.PeakWorkingSetSize / 1024.0);
  return ok ? 0 : 1;
}
