#include "version.h"

#include "../base/system_library.h"
#include "../installation/locator.h"

namespace {

// VERSION.dll is not one of the system's known DLLs, so it is not imported
// statically: it is loaded from the system folder when first needed.
typedef DWORD(WINAPI *GetFileVersionInfoSizeFunction)(LPCSTR, LPDWORD);
typedef BOOL(WINAPI *GetFileVersionInfoFunction)(LPCSTR, DWORD, DWORD, LPVOID);
typedef BOOL(WINAPI *VerQueryValueFunction)(LPCVOID, LPCSTR, LPVOID *, PUINT);

template <typename Function>
Function version_function(const char *name) {
  return reinterpret_cast<Function>(reinterpret_cast<void *>(system_function("version.dll", name)));
}

// Reads the version information block of `path` and copies its fixed record.
bool query_fixed_record(const char *path, DWORD size, VS_FIXEDFILEINFO *record) {
  GetFileVersionInfoFunction get_info = version_function<GetFileVersionInfoFunction>("GetFileVersionInfoA");
  VerQueryValueFunction query = version_function<VerQueryValueFunction>("VerQueryValueA");
  if (get_info == NULL || query == NULL) return false;

  void *block = HeapAlloc(GetProcessHeap(), 0, size);
  if (block == NULL) return false;
  bool found = false;
  if (get_info(path, 0, size, block)) {
    void *fixed = NULL;
    UINT length = 0;
    if (query(block, "\\", &fixed, &length) && fixed != NULL && length >= sizeof *record) {
      *record = *static_cast<VS_FIXEDFILEINFO *>(fixed);
      found = true;
    }
  }
  HeapFree(GetProcessHeap(), 0, block);
  return found;
}

}  // namespace

bool read_file_version(const char *path, VS_FIXEDFILEINFO *record) {
  if (path == NULL || record == NULL || lstrlenA(path) >= MAX_PATH) return false;
  char copy[MAX_PATH];
  lstrcpyA(copy, path);

  GetFileVersionInfoSizeFunction get_size =
      version_function<GetFileVersionInfoSizeFunction>("GetFileVersionInfoSizeA");
  if (get_size == NULL) return false;
  DWORD handle = 0;
  DWORD size = get_size(copy, &handle);
  if (size == 0) return false;
  return query_fixed_record(copy, size, record);
}

int version_verdict(RunMode mode, DWORD version_ms, DWORD version_ls) {
  if (mode == OrdinaryUpdate && HIWORD(version_ms) < LowestUpdatableMajor) return -1;
  if (version_ms > ReplacedUpToMS) return 1;
  if (version_ms < ReplacedUpToMS) return 0;
  return version_ls > ReplacedUpToLS ? 1 : 0;
}

int check_version(const VS_FIXEDFILEINFO *record) {
  return version_verdict(run_mode(), record->dwFileVersionMS, record->dwFileVersionLS);
}

bool record_version() {
  HKEY key;
  DWORD disposition;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, ApplicationKey, 0, NULL, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                      NULL, &key, &disposition) != ERROR_SUCCESS)
    return false;
  DWORD value = NewVersion;
  LONG status =
      RegSetValueExA(key, "AppVer", 0, REG_DWORD, reinterpret_cast<const BYTE *>(&value), sizeof value);
  RegCloseKey(key);
  return status == ERROR_SUCCESS;
}
