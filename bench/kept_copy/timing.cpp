// Times one step of the updater's kept copy from inside, with the updater's
// own code (the step has no window of its own to watch from outside):
//   keep     the free-space walk of FOLDER, then its copy into the new
//            folder KEPT (each file flushed, listed with its CRC-32 in
//            KEPT's "..\listing" beside it), as before the payload
//   verify   every file of KEPT read back against its listed CRC-32, as
//            before a restore or a recovery changes anything
//   restore  FOLDER put back from KEPT, as after a failed update
//   discard  KEPT removed
// and prints "<ms> <peak working set in KiB> <ok 0|1>".
// Usage: kept_copy_timing keep|verify|restore|discard "<folder>\" "<kept copy>\"
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
  char listing_path[MAX_PATH];
  std::snprintf(listing_path, sizeof listing_path, "%s..\\listing", kept);
  bool keeping = std::strcmp(step, "keep") == 0;
  HANDLE listing = CreateFileA(listing_path, keeping ? GENERIC_WRITE : GENERIC_READ, 0, NULL,
                               keeping ? CREATE_ALWAYS : OPEN_EXISTING, 0, NULL);
  DWORD files = 0;
  double started = now_ms();
  bool ok = false;
  if (keeping) {
    ok = CreateDirectoryA(kept, NULL) && tree_bytes(folder, &bytes) &&
         copy_tree(NULL, folder, kept, failed, listing, &files) && FlushFileBuffers(listing);
  } else if (std::strcmp(step, "verify") == 0) {
    // The count of files is the listing's length less its names: walked
    // once beforehand, outside the time.
    for (DWORD length, crc_and_length[2], read;
         ReadFile(listing, crc_and_length, 8, &read, NULL) && read == 8; ++files)
      length = crc_and_length[1], SetFilePointer(listing, length, NULL, FILE_CURRENT);
    SetFilePointer(listing, 0, NULL, FILE_BEGIN);
    started = now_ms();
    ok = verify_tree(NULL, kept, listing, files);
  } else if (std::strcmp(step, "restore") == 0)
    ok = put_back_tree(NULL, kept, folder);
  else if (std::strcmp(step, "discard") == 0)
    ok = remove_tree(kept);
  double took = now_ms() - started;
  if (listing != INVALID_HANDLE_VALUE) CloseHandle(listing);
  if (std::strcmp(step, "discard") == 0) DeleteFileA(listing_path);

  // Wine reads the peak from Linux (VmHWM): what the process itself held,
  // not the file pages that passed through the system's cache.
  PROCESS_MEMORY_COUNTERS memory = {};
  memory.cb = sizeof memory;
  GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
  std::printf("%.1f %.0f %d\n", took, memory.PeakWorkingSetSize / 1024.0, ok ? 1 : 0);
  return ok ? 0 : 1;
}
