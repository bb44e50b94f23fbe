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

// The identity of the file at `path`: its volume's serial number and its
// index on that volume. Opened without access rights and with every sharing
// mode, so that a running program's image, or a file another program holds
// open, can be looked at, and nothing is kept from anyone.
bool identify_file(const char *path, BY_HANDLE_FILE_INFORMATION *info) {
  HANDLE file = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                            OPEN_EXISTING, 0, NULL);
  if (file == INVALID_HANDLE_VALUE) return false;
  BOOL known = GetFileInformationByHandle(file, info);
  CloseHandle(file);
  return known != FALSE;
}

// Whether two paths name one existing file. The files themselves are
// compared, not the texts: one file has many spellings (case, short 8.3
// names, the doubled backslash of an "AppPath" that ends in one, "." and
// ".." parts), and two texts that look alike can name different files.
bool same_file(const char *first, const char *second) {
  BY_HANDLE_FILE_INFORMATION one, other;
  return identify_file(first, &one) && identify_file(second, &other) &&
         one.dwVolumeSerialNumber == other.dwVolumeSerialNumber &&
         one.nFileIndexHigh == other.nFileIndexHigh && one.nFileIndexLow == other.nFileIndexLow;
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
  return named && same_file(image, exe);
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
