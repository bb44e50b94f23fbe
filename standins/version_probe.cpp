// A program that imports VERSION.dll statically, as the updater must not,
// and asks it for its own version record: run beside the planted
// "version.dll", it shows that the plant is reachable where it lies.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  char self[MAX_PATH];
  GetModuleFileNameA(NULL, self, MAX_PATH);
  DWORD handle = 0;
  return GetFileVersionInfoSizeA(self, &handle) != 0 ? 0 : 1;
}
