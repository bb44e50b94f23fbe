// The updater's entry: decides the run mode and whether anybody can see the
// run, hands a disc upgrade that does not apply to the full installer, keeps
// to a single running instance, runs the update and starts the application
// again. The exit code tells a caller (a deployment tool, a script) what
// happened, in the codes of the system's installer service, which such tools
// already understand; an unattended run also records it in the event log.
#include <windows.h>

#include "../base/system_library.h"
#include "../ui/caption.h"
#include "../ui/message_box.h"
#include "launch.h"
#include "media_upgrade.h"
#include "run_mode.h"
#include "station.h"
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

// The event type of a run's end: a cancel and a busy updater (retry later)
// are warnings, every other code but success an error.
UINT icon_of_exit_code(int code) {
  if (code == ERROR_SUCCESS) return MB_ICONINFORMATION;
  if (code == ERROR_INSTALL_USEREXIT || code == ERROR_INSTALL_ALREADY_RUNNING) return MB_ICONWARNING;
  return MB_ICONERROR;
}

// The run from the mode decision to its exit code.
int run(LPSTR tail) {
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
  if (boxes_unattended()) {
    // Started there, the application would run where nobody can see it, as
    // the deployment tool's account, in a session nobody uses: the user starts it.
    record_unattended(
        "“Veltrano”のアップデートが完了しました。次回の起動時から新しいバージョンで起動します。",
        MB_ICONINFORMATION);
    return ERROR_SUCCESS;
  }
  if (!launch_application()) {
    show_error(NULL, "“Veltrano”の起動に失敗しました。");
    return ERROR_SUCCESS;
  }
  // Closed only after a successful start; on every other path the mutex ends
  // with the process.
  CloseHandle(mutex);
  return ERROR_SUCCESS;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR tail, int) {
  restrict_dll_search();

  SetCurrentDirectoryA(updater_folder());
  decide_run_mode();
  if (!process_station_is_visible()) answer_boxes_unattended();
  int code = run(tail);
  char ended[96];
  wsprintfA(ended, "アップデート・プログラムを終了しました。終了コード: %d", code);
  record_unattended(ended, icon_of_exit_code(code), RunEndedEvent);
  return code;
}
