#include "update_sequence.h"

#include <windows.h>

#include "../installation/close_application.h"
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

// Whether the installed application may be updated; tells the user why not.
bool installed_version_applies(HWND window) {
  if (!application_installed()) {
    show_error(window, "このコンピュータには“Veltrano”がインストールされていません。");
    return false;
  }
  VS_FIXEDFILEINFO record;
  if (!read_file_version(application_exe_path(), &record)) {
    show_error(window, "バージョン情報を取得できません。");
    return false;
  }
  switch (check_version(&record)) {
    case -1:
      show_error(window,
                 "このコンピュータにインストールされている“Veltrano”は、"
                 "本アップデートプログラムではバージョンアップできません。");
      return false;
    case 1:
      show_message(window,
                   "このコンピュータには、すでに最新バージョンの“Veltrano”がインストールされています。",
                   MB_OK | MB_ICONINFORMATION);
      return false;
  }
  return true;
}

bool user_confirms(HWND window) {
  return show_message(window,
                      "“Veltrano”のアップデートを実行してもよろしいですか？\n"
                      "よろしければエンターキーを、中止する場合はエスケープキーを押してください。",
                      MB_OKCANCEL | MB_ICONQUESTION) != IDCANCEL;
}

}  // namespace

bool run_update(bool automatic) {
  HWND window = create_progress_window();
  if (window == NULL) return false;

  show_status(window, "アップデートの準備を行っています。", kPause);
  if (!installed_version_applies(window)) return false;
  show_status(window, "アップデートの準備が完了しました。", 0);

  if (!automatic && !user_confirms(window)) return false;
  if (!close_running_application(window)) return false;

  show_status(window, "アップデートを行っています。", kPause);
  if (!install_payload(window, IDR_PAYLOAD, application_folder())) {
    show_error(window, "アプリケーションの更新に失敗しました。");
    return false;
  }
  if (!record_version()) {
    show_error(window, "バージョン番号の更新に失敗しました。");
    return false;
  }

  show_status(window, "アップデートが完了しました。", kPause);
  if (!automatic)
    show_message(window, "“Veltrano”のアップデートが完了しました。", MB_OK | MB_ICONINFORMATION);
  show_status(window, "アップデートを終了しています。", kPause);

  DestroyWindow(window);
  return true;
}
