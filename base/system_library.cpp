#include "system_library.h"

#include "paths.h"

void restrict_dll_search() {
  typedef BOOL(WINAPI * SetDefaultDllDirectoriesFunction)(DWORD);
  // Looked up at run time: systems before Windows 8 without KB2533623 lack it.
  SetDefaultDllDirectoriesFunction restrict_search = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
      reinterpret_cast<void *>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories")));
  if (restrict_search != NULL) restrict_search(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

FARPROC system_function(const char *library, const char *function) {
  char folder[MAX_PATH];
  UINT length = GetSystemDirectoryA(folder, MAX_PATH - 1);
  if (length == 0 || length >= MAX_PATH - 1) return NULL;
  folder[length] = '\\';
  folder[length + 1] = 0;
  char path[MAX_PATH];
  if (!join_path(path, folder, library)) return NULL;
  HMODULE module = LoadLibraryA(path);
  return module != NULL ? GetProcAddress(module, function) : NULL;
}
