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

// "AppVer" as the registry holds it now; false when it is not there.
bool read_app_ver(DWORD *value) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, ApplicationKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
    return false;
  DWORD type = 0, size = sizeof *value;
  bool read =
      RegQueryValueExA(key, "AppVer", NULL, &type, reinterpret_cast<BYTE *>(value), &size) == ERROR_SUCCESS &&
      type == REG_DWORD && size == sizeof *value;
  RegCloseKey(key);
  return read;
}

// The installation as it is now, into `state`; true when Corvane.exe counts
// as the new version.
bool installation_state(InstallationState *state) {
  VS_FIXEDFILEINFO record;
  bool readable = application_exe_path() != NULL && read_file_version(application_exe_path(), &record);
  state->exe_ms = readable ? record.dwFileVersionMS : 0;
  state->exe_ls = readable ? record.dwFileVersionLS : 0;
  state->app_ver = 0;
  state->app_ver_present = read_app_ver(&state->app_ver);
  return readable && check_version(&record) == 1;
}

// Puts right what an updater that was stopped (ended, the power lost) left
// behind, before anything reads the installation: the ordinary sequence then
// applies the update again. False, after an error box, when that failed.
bool recover_interrupted_update(HWND window) {
  char kept[MAX_PATH];
  KeptRecord record;
  if (!find_interrupted_update(kept, &record)) return true;
  show_status(window, "前回中断されたアップデートを元に戻しています。", kPause);
  InstallationState now;
  bool exe_is_new = installation_state(&now);
  return finish_interrupted_update(window, kept, recovery_for(record, application_folder(), now, exe_is_new));
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

  if (!recover_interrupted_update(window)) return UpdateOutcome::Failed;
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
  // The update's commit point is "AppVer" written: until then the copy and
  // its record stay, so that a failure, or a run stopped on the way, is
  // undone.
  char kept[MAX_PATH];
  InstallationState before;
  installation_state(&before);
  if (!keep_application_folder(window, before, kept)) return UpdateOutcome::Failed;
  bool installed = install_payload(window, IDR_PAYLOAD, application_folder()) && new_version_installed();
  if (!installed || !record_version()) {
    restore_application_folder(window, kept);
    show_error(window,
               installed ? "バージョン番号の更新に失敗しました。" : "アプリケーションの更新に失敗しました。");
    return UpdateOutcome::Failed;
  }
  discard_kept_copy(kept);

  show_status(window, "アップデートが完了しました。", kPause);
  if (!automatic)
    show_message(window, "“Veltrano”のアップデートが完了しました。", MB_OK | MB_ICONINFORMATION);
  show_status(window, "アップデートを終了しています。", kPause);

  DestroyWindow(window);
  return UpdateOutcome::Applied;
}
