#include "installation.h"

#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

const char kFolder[] = "C:\\veltrano-bench\\app\\";
const char kKey[] = "SOFTWARE\\Pellix Corporation\\Corvane";
const char kMainWindowClass[] = "CorvaneStandInMain";

std::string file_bytes(const std::string &path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

std::string exe() { return std::string(kFolder) + "Corvane.exe"; }

}  // namespace

std::string installation_folder() { return kFolder; }
std::string installed_exe() { return exe(); }

bool prepare_installation(const std::string &standins) {
  CreateDirectoryA("C:\\veltrano-bench", NULL);
  CreateDirectoryA(kFolder, NULL);
  for (const char *name : {"Corvane.ini", "Corvane.log", "payload.log", "CRVUPSUB.exe"})
    DeleteFileA((std::string(kFolder) + name).c_str());
  if (!CopyFileA((standins + "Corvane-2.2.0.1.exe").c_str(), exe().c_str(), FALSE)) {
    fprintf(stderr, "cannot copy the application: %lu\n", GetLastError());
    return false;
  }
  HKEY key;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL) !=
      ERROR_SUCCESS)
    return false;
  std::string folder(kFolder, sizeof kFolder - 2);  // registered without the final backslash
  LONG set = RegSetValueExA(key, "AppPath", 0, REG_SZ, reinterpret_cast<const BYTE *>(folder.c_str()),
                            static_cast<DWORD>(folder.size() + 1));
  RegDeleteValueA(key, "AppVer");
  RegCloseKey(key);
  return set == ERROR_SUCCESS;
}

HANDLE start_installed_application() {
  std::string command = "\"" + exe() + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(exe().c_str(), &command[0], NULL, NULL, FALSE, 0, NULL, kFolder, &startup, &process))
    return NULL;
  CloseHandle(process.hThread);
  WaitForInputIdle(process.hProcess, 10000);
  return process.hProcess;
}

bool update_applied(const std::string &standins) {
  DWORD version = 0, size = sizeof version;
  bool recorded = RegGetValueA(HKEY_LOCAL_MACHINE, kKey, "AppVer", RRF_RT_REG_DWORD, NULL, &version, &size) ==
                      ERROR_SUCCESS &&
                  version == 0x02030001;
  bool replaced = file_bytes(exe()) == file_bytes(standins + "Corvane-2.3.0.1.exe");
  bool removed =
      GetFileAttributesA((std::string(kFolder) + "CRVUPSUB.exe").c_str()) == INVALID_FILE_ATTRIBUTES;
  if (!recorded || !replaced || !removed)
    fprintf(stderr, "update not applied: AppVer %s, executable %s, payload file %s\n",
            recorded ? "ok" : "wrong", replaced ? "new" : "old", removed ? "gone" : "left");
  return recorded && replaced && removed;
}

void close_restarted_application() {
  for (int attempt = 0; attempt < 50; ++attempt) {
    HWND window = FindWindowA(kMainWindowClass, NULL);
    if (window == NULL) return;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid);
    PostMessageA(window, WM_CLOSE, 0, 0);
    if (process != NULL) {
      if (WaitForSingleObject(process, 5000) != WAIT_OBJECT_0) TerminateProcess(process, 99);
      CloseHandle(process);
    } else {
      Sleep(20);
    }
  }
}
