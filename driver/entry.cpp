// The updater's entry: decides the run mode, hands a disc upgrade that does
// not apply to the full installer, keeps to a single running instance, runs
// the update and starts the application again. Every path exits with 0.
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

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR tail, int) {
  restrict_dll_search();

  SetCurrentDirectoryA(updater_folder());
  decide_run_mode();
  if (run_mode() == MediaUpgrade && !media_upgrade_applies()) {
    start_full_installer();
    return 0;
  }

  HANDLE mutex = CreateMutexA(NULL, FALSE, "CorvaneUpdate.MutexObject");
  if (mutex == NULL) {
    show_error(NULL, "排他オブジェクトの作成に失敗しました。");
    return 0;
  }
  if (WaitForSingleObject(mutex, 0) != WAIT_OBJECT_0) {
    bring_first_instance_forward();
    return 0;
  }

  bool automatic = lstrcmpA(tail, "/Automatically") == 0;
  if (!run_update(automatic)) return 0;
  if (!launch_application()) {
    show_error(NULL, "“Veltrano”の起動に失敗しました。");
    return 0;
  }
  // Closed only after a successful start; on every other path the mutex ends
  // with the process.
  CloseHandle(mutex);
  return 0;
}
