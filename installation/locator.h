// Where the installed application lives: its folder (from its registry key),
// the paths of its executable and ini file, and its main window. The paths are
// worked out once per process and served from process-wide buffers that stay
// valid and unchanged until the process ends; callers never free or change
// them. Nothing here shows a message: failures come back as NULL or false.
#pragma once
#include <windows.h>

// The application's registry key under HKEY_LOCAL_MACHINE.
inline constexpr char ApplicationKey[] = "SOFTWARE\\Pellix Corporation\\Corvane";

// The application folder with a trailing backslash, or NULL.
const char *application_folder();

// The application folder followed by "Corvane.exe", or NULL.
const char *application_exe_path();

// The application folder followed by "Corvane.ini", or NULL.
const char *application_ini_path();

// Whether a directory entry (a file or a folder) exists at the executable path.
bool application_installed();

// The main window named by "Window.Handle" in the ini file, when that names an
// existing window of a process running the application's executable; read
// anew on every call.
HWND application_main_window();

// The window handle that the ini file's 32-bit unsigned number names. Windows
// passes handles between 32-bit and 64-bit processes by sign extension, so in
// a 64-bit process a number with its top bit set names a handle whose upper
// half is all ones; read zero-extended it would name no window at all.
inline HWND window_from_setting(UINT value) {
  return reinterpret_cast<HWND>(static_cast<LONG_PTR>(static_cast<LONG>(value)));
}

// Whether FindFirstFileA finds an entry for `path`.
bool path_exists(const char *path);

// Forms the folder text from the data of "AppPath" as the registry returned
// it (`size` bytes, which need not hold a NUL): the text up to its first NUL,
// followed by one backslash, into `out` (MAX_PATH bytes). Returns false when
// the data fill MAX_PATH bytes or more, leaving no room for the backslash.
bool folder_from_app_path(char *out, const char *data, DWORD size);
