#include "update_sequence.h"

#include <windows.h>

#include "../installation/close_application.h"
#include "../installation/kept_copy.h"
#include "../installation/locator.h"
#include "../installation/payload.h"
#include "../ui/message_box.h"
#include "../ui/progress_window.h"
#include "../ui/pump.h"
#include "../ui/resource_ids.h"
#include "version.h"

namespace {

// The fixed pause after a status text, part of what the user sees.
const DWORD kPause = 1000;

// Shows `text` on the status line and lets the user read it.
void show_status(HWND window, const char *text, DWORD pause) {
  set_status(window, text);
  if (pause > 0) wait_pumping(window, pause);
}

// Whether the installed application may be updated; otherwise tells the
// user why not and gives the outcome in `refusal`.
bool installed_version_applies(HWND window, UpdateOutcome *refusal) {
  if (!application_installed()) {
    show_error(window, "このコンピュータには“Veltrano”がインストールされていません。");
    *refusal = UpdateOutcome::NotInstalled;
    return false;
  }
  VS_FIXEDFILEINFO record;
  if (!read_file_version(application_exe_path(), &record)) {
    show_error(window, "バージョン情報を取得できません。");
    *refusal = UpdateOutcome::Failed;
    return false;
  }
  switch (check_version(&record)) {
    case -1:
      show_error(window,
                 "このコンピュータにインストールされている“Veltrano”は、"
                 "本アップデートプログラムではバージョンアップできません。");
      *refusal = UpdateOutcome::TooOld;
      return false;
    case 1:
      show_message(window,
                   "このコンピュータには、すでに最新バージョンの“Veltrano”がインストールされています。",
                   MB_OK | MB_ICONINFORMATION);
      *refusal = UpdateOutcome::AlreadyLatest;
      return false;
  }
  return true;
}

// Whether the payload put the new version in place: the application's
// version record, read again by the same rule as before the update, now
// counts as the latest. The payload's exit code is no evidence either way
// (installers' codes are unreliable), so the installed file is asked; without
// this a payload that installed nothing would still have the registry claim
// the new version, and the update would never be offered again.
bool new_version_installed() {
  VS_FIXEDFILEINFO record;
  return read_file_version(application_exe_path(), &record) && check_version(&record) == 1;
}

bool user_confirms(HWND window) {
  return show_message(window,
                      "“Veltrano”のアップデートを実行してもよろしいですか？\n"
                      "よろしければエンターキーを、中止する場合はエスケープキーを押してください。",
                      MB_OKCANCEL | MB_ICONQUESTION) != IDCANCEL;
}

}  // namespace

UpdateOutcome run_update(bool automatic) {
  HWND window = create_progress_window();
  if (window == NULL) return UpdateOutcome::Failed;

  show_status(window, "アップデートの準備を行っています。", kPause);
  UpdateOutcome refusal;
  if (!installed_version_applies(window, &refusal)) return refusal;
  show_status(window, "アップデートの準備が完了しました。", 0);

  if (!automatic && !user_confirms(window)) return UpdateOutcome::Cancelled;
  switch (close_running_application(window)) {
    case ClosingResult::ApplicationEnded:
      break;
    case ClosingResult::UserGaveUp:
      return UpdateOutcome::Cancelled;
    case ClosingResult::NoMutex:
      return UpdateOutcome::Failed;
  }

  show_status(window, "アップデートを行っています。", kPause);
  // An update that could not be undone is not started; a failed one is undone.
  char kept[MAX_PATH];
  if (!keep_application_folder(window, kept)) return UpdateOutcome::Failed;
  if (!install_payload(window, IDR_PAYLOAD, application_folder()) || !new_version_installed()) {
    restore_application_folder(window, kept);
    show_error(window, "アプリケーションの更新に失敗しました。");
    return UpdateOutcome::Failed;
  }
  discard_kept_copy(kept);
  if (!record_version()) {
    show_error(window, "バージョン番号の更新に失敗しました。");
    return UpdateOutcome::Failed;
  }

  show_status(window, "アップデートが完了しました。", kPause);
  if (!automatic)
    show_message(window, "“Veltrano”のアップデートが完了しました。", MB_OK | MB_ICONINFORMATION);
  show_status(window, "アップデートを終了しています。", kPause);

  DestroyWindow(window);
  return UpdateOutcome::Applied;
}
