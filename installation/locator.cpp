#include "locator.h"

#include "../base/paths.h"

namespace {

// Process-wide caches: empty until their operation first succeeds, then
// never cleared or rewritten, so a later change of "AppPath" is not seen.
char folder_cache[MAX_PATH];
char exe_path_cache[MAX_PATH];
char ini_path_cache[MAX_PATH];

const char *file_in_application_folder(char *cache, const char *name) {
  if (lstrlenA(cache) > 0) return cache;
  const char *folder = application_folder();
  if (folder == NULL) return NULL;
  // A folder too long for the file name to follow is refused rather than
  // written past the end of the cache.
  if (!join_path(cache, folder, name)) return NULL;
  return cache;
}

// Whether two paths name the same file: equal without regard to case, once
// short (8.3) names are written out long where the file exists.
bool same_file_path(const char *first, const char *second) {
  char first_long[MAX_PATH], second_long[MAX_PATH];
  DWORD length = GetLongPathNameA(first, first_long, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) lstrcpynA(first_long, first, MAX_PATH);
  length = GetLongPathNameA(second, second_long, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) lstrcpynA(second_long, second, MAX_PATH);
  return lstrcmpiA(first_long, second_long) == 0;
}

// Whether `window` belongs to a process that runs the application's
// executable (the path from the registry).
bool window_of_application(HWND window) {
  const char *exe = application_exe_path();
  DWORD process_id = 0;
  if (exe == NULL || GetWindowThreadProcessId(window, &process_id) == 0) return false;
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process_id);
  if (process == NULL) return false;
  char image[MAX_PATH];
  DWORD size = MAX_PATH;
  BOOL named = QueryFullProcessImageNameA(process, 0, image, &size);
  CloseHandle(process);
  return named && same_file_path(image, exe);
}

}  // namespace

bool folder_from_app_path(char *out, const char *data, DWORD size) {
  if (size + 1 > MAX_PATH) return false;
  char text[MAX_PATH];
  DWORD length = 0;
  while (length < size && data[length] != 0) {
    text[length] = data[length];
    ++length;
  }
  text[length] = 0;
  // Data without a NUL can be one byte longer than a terminated text: keep
  // room for the backslash and the NUL all the same.
  if (length + 2 > MAX_PATH) return false;
  wsprintfA(out, "%s\\", text);
  return true;
}

const char *application_folder() {
  if (lstrlenA(folder_cache) > 0) return folder_cache;

  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, ApplicationKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
    return NULL;
  char data[MAX_PATH];
  DWORD size = sizeof data;
  LONG status = RegQueryValueExA(key, "AppPath", NULL, NULL, reinterpret_cast<BYTE *>(data), &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS) return NULL;

  if (!folder_from_app_path(folder_cache, data, size)) return NULL;
  return folder_cache;
}

const char *application_exe_path() { return file_in_application_folder(exe_path_cache, "Corvane.exe"); }

const char *application_ini_path() { return file_in_application_folder(ini_path_cache, "Corvane.ini"); }

bool path_exists(const char *path) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(path, &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  return true;
}

bool application_installed() {
  const char *exe = application_exe_path();
  return exe != NULL && path_exists(exe);
}

HWND application_main_window() {
  const char *ini = application_ini_path();
  if (ini == NULL) return NULL;
  UINT value = GetPrivateProfileIntA("Configuration", "Window.Handle", 0, ini);
  HWND window = window_from_setting(value);
  // The number outlives the window: after a crash of the application it may
  // name a window that another program has made since, which must not be
  // asked to close.
  return IsWindow(window) && window_of_application(window) ? window : NULL;
}
