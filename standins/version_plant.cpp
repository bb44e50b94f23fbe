// Stand-in for a "version.dll" planted beside the updater in a downloads
// folder. When one of the ANSI functions the updater uses is called, it
// writes "version-plant.log" beside itself and fails the call, so a test can
// tell that the plant, not the system's DLL, was used. Under Wine the
// system's own DLLs load the plant too and call its wide-character
// functions: those fail quietly and leave no mark.
#include <windows.h>

#include "standin_log.h"

namespace {

HMODULE plant = NULL;

void mark(const char *function) {
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(plant, path, MAX_PATH);
  while (length > 0 && path[length - 1] != '\\') --length;
  lstrcpyA(path + length, "version-plant.log");
  append_log(path, "called %s", function);
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void *) {
  if (reason == DLL_PROCESS_ATTACH) plant = instance;
  return TRUE;
}

__declspec(dllexport) DWORD WINAPI GetFileVersionInfoSizeA(const char *, DWORD *) {
  mark("GetFileVersionInfoSizeA");
  return 0;
}
__declspec(dllexport) BOOL WINAPI GetFileVersionInfoA(const char *, DWORD, DWORD, void *) {
  mark("GetFileVersionInfoA");
  return FALSE;
}
__declspec(dllexport) BOOL WINAPI VerQueryValueA(const void *, const char *, void **, UINT *) {
  mark("VerQueryValueA");
  return FALSE;
}
__declspec(dllexport) DWORD WINAPI GetFileVersionInfoSizeW(const WCHAR *, DWORD *) { return 0; }
__declspec(dllexport) BOOL WINAPI GetFileVersionInfoW(const WCHAR *, DWORD, DWORD, void *) { return FALSE; }
__declspec(dllexport) BOOL WINAPI VerQueryValueW(const void *, const WCHAR *, void **, UINT *) {
  return FALSE;
}
}
