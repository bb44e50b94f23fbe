#include "payload.h"

#include "../base/binary_resource.h"
#include "../base/paths.h"
#include "../ui/message_box.h"
#include "../ui/pump.h"
#include "locator.h"

namespace {

constexpr char PayloadFileName[] = "CRVUPSUB.exe";
constexpr char WriteFailedText[] = "ファイル転送モジュールの生成に失敗しました。";
constexpr char StartFailedText[] = "ファイル転送モジュールの起動に失敗しました。";

// The payload program's command line; wsprintfA writes at most this much.
constexpr int CommandLineSize = 1024;
// The pause after the payload program has ended, and again after its file
// has been deleted.
constexpr DWORD SettlePause = 1000;
// The longest single wait on the payload program between two pumps.
constexpr DWORD PumpInterval = 100;

// Forms "\"<payload>\" -n \"<target>\"". The folder ends with a backslash,
// so the line ends with a backslash right before the closing quote. False,
// leaving `out` untouched, when the line would not fit: wsprintfA would cut
// it off and the payload program would be given a wrong folder.
bool form_command_line(char *out, const char *payload_path, const char *target_folder) {
  // Four quotes, " -n " and the NUL take 9 bytes besides the two texts.
  if (lstrlenA(payload_path) + lstrlenA(target_folder) + 9 > CommandLineSize) return false;
  wsprintfA(out, "\"%s\" -n \"%s\"", payload_path, target_folder);
  return true;
}

// Starts the payload program hidden, in `folder`, with its own console and
// process group.
bool start_payload(char *payload_path, char *command_line, const char *folder, PROCESS_INFORMATION *process) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  return CreateProcessA(payload_path, command_line, NULL, NULL, FALSE,
                        CREATE_NEW_CONSOLE | NORMAL_PRIORITY_CLASS | CREATE_NEW_PROCESS_GROUP, NULL, folder,
                        &startup, process) != FALSE;
}

// Waits until the payload program is ready for input, dispatching one
// message of the progress window between waits: a program that never gets
// there would otherwise leave the window frozen for as long as it runs. Ends
// as well when the program has ended or the wait fails.
void wait_for_payload_idle(HWND window, HANDLE process) {
  while (WaitForInputIdle(process, PumpInterval) == WAIT_TIMEOUT) {
    if (WaitForSingleObject(process, 0) != WAIT_TIMEOUT) return;
    pump_once(window);
  }
}

// Waits for the payload program to end, dispatching one message of the
// progress window between waits. Ends as well when the wait fails.
void wait_for_payload(HWND window, HANDLE process) {
  while (WaitForSingleObject(process, PumpInterval) == WAIT_TIMEOUT) pump_once(window);
}

}  // namespace

bool write_file(const void *buffer, DWORD length, const char *path) {
  HANDLE file =
      CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL wrote = WriteFile(file, buffer, length, &written, NULL);
  CloseHandle(file);
  return wrote && written == length;
}

bool write_resource_to_file(const char *path, WORD resource_id) {
  // Checked against the checksum recorded at build time before the file is
  // even created, so that a damaged installer is never written into the
  // application folder, let alone run against the user's files. Written
  // straight from the locked resource memory, neither copied nor released.
  DWORD size = 0;
  const void *data = verified_binary_resource(resource_id, &size);
  return data != NULL && write_file(data, size, path);
}

bool install_payload(HWND window, WORD resource_id, const char *target_folder) {
  PROCESS_INFORMATION process = {};
  char folder[MAX_PATH];
  char payload_path[MAX_PATH];
  char command_line[CommandLineSize];

  // The payload path must fit its buffer: a folder too long for the file
  // name ends the step as a failed write, before anything is written.
  const char *application = application_folder();
  bool formed = application != NULL;
  if (formed) {
    lstrcpyA(folder, application);  // the locator's text fits MAX_PATH bytes
    formed = join_path(payload_path, folder, PayloadFileName) &&
             form_command_line(command_line, payload_path, target_folder);
  }
  if (!formed || !write_resource_to_file(payload_path, resource_id)) {
    show_error(window, WriteFailedText);
    return false;
  }

  if (!start_payload(payload_path, command_line, folder, &process)) {
    // Nothing runs it: the file is not left in the application folder.
    DeleteFileA(payload_path);
    show_error(window, StartFailedText);
    return false;
  }
  // On Windows a payload program that never reads a message queue lets this
  // return at once; under Wine such a program holds it until it ends.
  wait_for_payload_idle(window, process.hProcess);
  SetForegroundWindow(window);
  wait_for_payload(window, process.hProcess);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);

  // The exit code is not read: once started and ended, the step is done.
  // A payload file still in use is left behind.
  wait_pumping(window, SettlePause);
  DeleteFileA(payload_path);
  wait_pumping(window, SettlePause);
  return true;
}
