// The updater's entry: decides the run mode, hands a disc upgrade that does
// not apply to the full installer, keeps to a single running instance, runs
// the update and starts the application again. The exit code tells a caller
// (a deployment tool, a script) what happened, in the codes of the system's
// installer service, which such tools already understand.
#include <windows.h>

#include "../base/system_library.h"
#include "../ui/caption.h"
#include "../ui/message_box.h"
#include "launch.h"
#include "media_upgrade.h"
#include "run_mode.h"
#include "update_sequence.h"
#include "updater_folder.h"

namespace {

// Brings the first instance forward: its last active popup, so that a message
// box it shows comes up rather than the progress window behind it.
void bring_first_instance_forward() {
  HWND first = FindWindowA("#32770", UpdaterCaption);
  if (first != NULL) SetForegroundWindow(GetLastActivePopup(first));
}

// The exit code for how the update sequence ended.
int exit_code_of(UpdateOutcome outcome) {
  switch (outcome) {
    case UpdateOutcome::Applied:
    case UpdateOutcome::AlreadyLatest:
      return ERROR_SUCCESS;
    case UpdateOutcome::Cancelled:
      return ERROR_INSTALL_USEREXIT;  // 1602
    case UpdateOutcome::NotInstalled:
      return ERROR_UNKNOWN_PRODUCT;  // 1605
    case UpdateOutcome::TooOld:
      return ERROR_PATCH_TARGET_NOT_FOUND;  // 1642
    case UpdateOutcome::Failed:
      break;
  }
  return ERROR_INSTALL_FAILURE;  // 1603
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR tail, int) {
  restrict_dll_search();

  SetCurrentDirectoryA(updater_folder());
  decide_run_mode();
  if (run_mode() == MediaUpgrade && !media_upgrade_applies()) {
    if (!start_full_installer()) {
      // Nothing was handed over and nothing changed: not a success.
      show_error(NULL, "セットアッププログラムの起動に失敗しました。");
      return ERROR_INSTALL_FAILURE;  // 1603
    }
    return ERROR_SUCCESS;  // handed over: the full installer does the rest
  }

  HANDLE mutex = CreateMutexA(NULL, FALSE, "CorvaneUpdate.MutexObject");
  if (mutex == NULL) {
    show_error(NULL, "排他オブジェクトの作成に失敗しました。");
    return ERROR_INSTALL_FAILURE;  // 1603
  }
  if (WaitForSingleObject(mutex, 0) != WAIT_OBJECT_0) {
    bring_first_instance_forward();
    return ERROR_INSTALL_ALREADY_RUNNING;  // 1618
  }

  bool automatic = lstrcmpA(tail, "/Automatically") == 0;
  UpdateOutcome outcome = run_update(automatic);
  if (outcome != UpdateOutcome::Applied) return exit_code_of(outcome);
  // From here the update is done, whether or not the application starts.
  if (!launch_application()) {
    show_error(NULL, "“Veltrano”の起動に失敗しました。");
    return ERROR_SUCCESS;
  }
  // Closed only after a successful start; on every other path the mutex ends
  // with the process.
  CloseHandle(mutex);
  return ERROR_SUCCESS;
}
