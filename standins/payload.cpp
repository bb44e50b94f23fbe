// Stand-in for the payload installer "CRVUPSUB.exe": it carries the new
// application files and, started as
//     "<folder>\CRVUPSUB.exe" -n "<folder>\"
// writes them into that folder. Each file is written completely or not at
// all: to a temporary name first, then moved over the old one. Ends with 0
// when every file is in place (or it was told to install nothing), 1
// otherwise. It records how it was started in "payload.log" in its current
// directory.
//
// Environment variables let tests vary it:
//   STANDIN_PAYLOAD_SLEEP_MS   sleep this long before installing
//   STANDIN_PAYLOAD_EXIT_CODE  end with this code instead
//   STANDIN_PAYLOAD_HOLD_MS    leave a process behind that keeps the payload
//                              file in use for this long
//   STANDIN_PAYLOAD_BREAK_APPLICATION=1
//                              install a "Corvane.exe" that carries the new
//                              version record but cannot be started (a DLL
//                              image), so that the update is verified but the
//                              application cannot be started again
//   STANDIN_PAYLOAD_INSTALL_NOTHING=1
//                              end at once without installing anything, with
//                              0 all the same: only the installed file tells
//   STANDIN_PAYLOAD_INSTALL_PART=1
//                              install part of the new version and fail, as
//                              an installer that stops half way: delete
//                              "help\Corvane.hlp", replace "Corvane.dat",
//                              add "plugins\Added.dll" (in that order, so
//                              that the last file shows the others done),
//                              leave "Corvane.exe" as it is, end with 1
//   STANDIN_PAYLOAD_SLEEP_AFTER_MS
//                              sleep this long once it has installed and
//                              logged it (with its process id), so that it
//                              can be ended half way, as a power cut would
//   STANDIN_PAYLOAD_NEVER_IDLE=1
//                              never read a message queue, so that it is
//                              never ready for input while it runs
#include <windows.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "standin_log.h"

namespace {

const int kApplicationResource = 1;

// The command line after the program name, which may be quoted and hold
// blanks (or even " -n ").
const char *after_program_name(const char *command_line) {
  const char *p = command_line;
  if (*p == '"') {
    const char *closing = strchr(p + 1, '"');
    return closing != NULL ? closing + 1 : p + strlen(p);
  }
  while (*p != 0 && *p != ' ') ++p;
  return p;
}

// The folder after "-n". The updater's folder ends with a backslash right
// before the closing quote, which the usual argument rules would read as an
// escaped quote; here the folder runs from the opening quote to the last one.
bool target_folder(const char *command_line, char *folder) {
  const char *switch_n = strstr(after_program_name(command_line), " -n ");
  if (switch_n == NULL) return false;
  const char *start = switch_n + 4;
  while (*start == ' ') ++start;
  const char *end = start + strlen(start);
  if (*start == '"') {
    ++start;
    const char *last_quote = strrchr(start, '"');
    if (last_quote != NULL) end = last_quote;
  }
  size_t length = end - start;
  if (length == 0 || length + 1 > MAX_PATH) return false;
  memcpy(folder, start, length);
  folder[length] = 0;
  return true;
}

bool install_file(const char *folder, const char *name, const void *data, DWORD size) {
  char target[MAX_PATH], temporary[MAX_PATH];
  const char *separator = folder[strlen(folder) - 1] == '\\' ? "" : "\\";
  // A path that does not fit is refused, not cut off to another name.
  if (snprintf(target, sizeof target, "%s%s%s", folder, separator, name) >= MAX_PATH) return false;
  if (snprintf(temporary, sizeof temporary, "%s.new", target) >= MAX_PATH) return false;

  HANDLE file = CreateFileA(temporary, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool complete = WriteFile(file, data, size, &written, NULL) && written == size;
  CloseHandle(file);
  if (complete && MoveFileExA(temporary, target, MOVEFILE_REPLACE_EXISTING)) return true;
  DeleteFileA(temporary);
  return false;
}

// Installs the executable carried as `resource`; `as_library` marks its image
// a DLL first: its version record stays readable, but no process can be
// started from it.
bool install_resource(const char *folder, const char *name, int resource, bool as_library = false) {
  HRSRC found = FindResourceA(NULL, MAKEINTRESOURCEA(resource), MAKEINTRESOURCEA(10));  // RT_RCDATA
  if (found == NULL) return false;
  const char *data = static_cast<const char *>(LockResource(LoadResource(NULL, found)));
  DWORD size = SizeofResource(NULL, found);
  if (data == NULL) return false;
  if (!as_library) return install_file(folder, name, data, size);
  // A copy of our own: the resource's memory is read-only. No std::string,
  // which would grow this program, and so every updater that carries it, by
  // a quarter of a megabyte.
  char *image = static_cast<char *>(HeapAlloc(GetProcessHeap(), 0, size));
  if (image == NULL) return false;
  memcpy(image, data, size);
  LONG header = *reinterpret_cast<const LONG *>(image + offsetof(IMAGE_DOS_HEADER, e_lfanew));
  reinterpret_cast<IMAGE_NT_HEADERS32 *>(image + header)->FileHeader.Characteristics |= IMAGE_FILE_DLL;
  bool installed = install_file(folder, name, image, size);
  HeapFree(GetProcessHeap(), 0, image);
  return installed;
}

// The part of the new version that STANDIN_PAYLOAD_INSTALL_PART installs.
void install_part(const char *folder) {
  const char data[] = "part of the new version";
  char path[MAX_PATH];
  snprintf(path, sizeof path, "%shelp\\Corvane.hlp", folder);  // the folder ends with a backslash
  DeleteFileA(path);
  install_file(folder, "Corvane.dat", data, sizeof data - 1);
  snprintf(path, sizeof path, "%splugins", folder);
  CreateDirectoryA(path, NULL);
  install_file(folder, "plugins\\Added.dll", data, sizeof data - 1);
}

DWORD environment_number(const char *name, DWORD fallback) {
  char value[32];
  if (GetEnvironmentVariableA(name, value, sizeof value) == 0) return fallback;
  return strtoul(value, NULL, 10);
}

// Keeps this program's file in use: a second copy of it runs for `ms`.
void leave_file_in_use(DWORD ms) {
  char self[MAX_PATH], command[MAX_PATH + 64];
  GetModuleFileNameA(NULL, self, MAX_PATH);
  snprintf(command, sizeof command, "\"%s\" --hold %lu", self, ms);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process;
  if (CreateProcessA(self, command, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process)) {
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR command_line, int) {
  const char *hold = strstr(command_line, "--hold ");
  if (hold != NULL) {
    Sleep(strtoul(hold + 7, NULL, 10));
    return 0;
  }

  // An installer with a window reads its queue as it starts and then waits
  // for input; so does this one, so that the updater's wait for it to become
  // idle ends while it runs. Under Wine one look at the queue is not enough:
  // the queue is emptied, then a wait for input (of no time) marks it idle.
  if (environment_number("STANDIN_PAYLOAD_NEVER_IDLE", 0) == 0) {
    MSG message;
    while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    MsgWaitForMultipleObjects(0, NULL, FALSE, 0, QS_ALLINPUT);
  }

  log_start("payload.log", "start");
  Sleep(environment_number("STANDIN_PAYLOAD_SLEEP_MS", 0));
  DWORD hold_ms = environment_number("STANDIN_PAYLOAD_HOLD_MS", 0);
  if (hold_ms > 0) leave_file_in_use(hold_ms);

  char folder[MAX_PATH] = "";
  bool nothing = environment_number("STANDIN_PAYLOAD_INSTALL_NOTHING", 0) != 0;
  bool installed = false;
  if (target_folder(GetCommandLineA(), folder) && !nothing) {
    bool broken = environment_number("STANDIN_PAYLOAD_BREAK_APPLICATION", 0) != 0;
    if (environment_number("STANDIN_PAYLOAD_INSTALL_PART", 0) != 0)
      install_part(folder);
    else
      installed = install_resource(folder, "Corvane.exe", kApplicationResource, broken);
  }
  append_log("payload.log", "installed=%s folder=[%s] tick=%lu pid=%lu", installed ? "yes" : "no", folder,
             GetTickCount(), GetCurrentProcessId());
  Sleep(environment_number("STANDIN_PAYLOAD_SLEEP_AFTER_MS", 0));
  return static_cast<int>(environment_number("STANDIN_PAYLOAD_EXIT_CODE", installed || nothing ? 0 : 1));
}
