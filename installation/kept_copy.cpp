#include "kept_copy.h"

#include "../base/paths.h"
#include "../base/protected_folder.h"
#include "../ui/message_box.h"
#include "folder_copy.h"
#include "locator.h"
#include "release.h"

namespace {

constexpr char NoRoomText[] =
    "ディスクの空き容量が足りないため、更新前のファイルを保存できません。\n"
    "アップデートを中止します。";
// Followed by the path that could not be copied.
constexpr char NotKeptText[] = "更新前のファイルを保存できないため、アップデートを中止します。\n%s";
// Each followed by the kept copy's folder.
constexpr char NotRestoredText[] =
    "一部のファイルを更新前の状態に戻せませんでした。\n"
    "更新前のファイルは次のフォルダに残してあります。\n%s";
constexpr char DamagedText[] =
    "保存した更新前のファイルが見つからないか壊れているため、元に戻せませんでした。\n"
    "アプリケーションのフォルダは変更していません。保存先:\n%s";
constexpr char ChangedSinceText[] =
    "前回中断されたアップデートの後でインストールが変更されたため、元に戻しませんでした。\n"
    "更新前のファイルは次のフォルダに残してあります。\n%s";

// Copies kept for the user that may stand beside the update under way.
constexpr int MaxKeptCopies = 99;

// The folder that holds the update under way and the copies kept for the
// user, in `which` place: 0 the root of the application's volume (the copy
// then costs no move across volumes), 1 "ProgramData" at the root of the
// system's volume. Found from the system's own folder, not from an
// environment variable, which the user who elevated the updater chose.
bool kept_base(int which, char *base) {
  char place[MAX_PATH], root[MAX_PATH];
  const char *folder = application_folder();
  if (which == 0 && folder == NULL) return false;
  if (which == 1) {
    UINT length = GetSystemWindowsDirectoryA(place, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return false;
    folder = place;
  }
  return GetVolumePathNameA(folder, root, MAX_PATH) &&
         join_path(base, root, which == 0 ? "CorvaneUpdate.Backup\\" : "ProgramData\\CorvaneUpdate.Backup\\");
}

// The folder above `kept` (which ends with a backslash), into `out`.
void folder_above(char *out, const char *kept) {
  lstrcpyA(out, kept);
  int length = lstrlenA(out) - 1;
  while (length > 0 && out[length - 1] != '\\') --length;
  out[length] = 0;
}

void show_error_with_path(HWND window, const char *format, const char *path, UINT icon = MB_ICONERROR) {
  char text[512];  // the longest text and a path of MAX_PATH bytes
  wsprintfA(text, format, path);
  show_message(window, text, MB_OK | icon);
}

// Writes `record` at the start of the open record file and flushes it.
bool write_record(HANDLE file, const KeptRecord &record) {
  DWORD written;
  return SetFilePointer(file, 0, NULL, FILE_BEGIN) == 0 &&
         WriteFile(file, &record, sizeof record, &written, NULL) && written == sizeof record &&
         FlushFileBuffers(file);
}

// Opens the record of `kept` and reads it into `record`, leaving the file
// where its listing starts; INVALID_HANDLE_VALUE, with a `format` of 0, when
// it cannot be read.
HANDLE open_record(const char *kept, KeptRecord *record) {
  char path[MAX_PATH];
  record->format = 0;
  HANDLE file = join_path(path, kept, "Record")
                    ? CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL)
                    : INVALID_HANDLE_VALUE;
  DWORD read = 0;
  if (file != INVALID_HANDLE_VALUE && ReadFile(file, record, sizeof *record, &read, NULL) &&
      read == sizeof *record && record->format == RecordFormat)
    return file;
  record->format = 0;
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  return INVALID_HANDLE_VALUE;
}

// Creates the folder of a new update under way in the first place that only
// administrators can change, its path into `kept`.
bool create_kept_folder(char *kept) {
  char base[MAX_PATH];
  for (int which = 0; which < 2; ++which)
    if (kept_base(which, base) && make_protected_folder(base) && join_path(kept, base, "Current\\") &&
        CreateDirectoryA(kept, NULL))
      return true;
  kept[0] = 0;
  return false;
}

// Records the update and copies the folder into `kept`; `failed` names the
// entry that could not be copied, `fits` whether the disk had room.
bool record_and_copy(HWND window, const InstallationState &before, const char *kept, char *failed,
                     bool *fits) {
  KeptRecord record = {RecordFormat, 0, before, 0, 0, {0}, {0}};
  const char *folder = application_folder();  // found by the update sequence already
  char path[MAX_PATH], files[MAX_PATH];
  lstrcpyA(failed, kept);
  *fits = true;
  if (!join_path(files, kept, "Files\\") || !join_path(path, kept, "Record")) return false;
  record.new_version = RELEASE_PACKED_VERSION;
  lstrcpyA(record.folder, folder);
  lstrcpyA(record.copy, files);
  HANDLE file =
      CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE) return false;
  // Flushed before a file is copied: a run stopped while copying leaves a
  // record that says the copy is not complete.
  bool kept_all = write_record(file, record) && CreateDirectoryA(files, NULL);
  if (kept_all) {
    // A folder below that cannot be listed is left out of the count; the
    // copy then fails on it, by name.
    ULONGLONG needed;
    tree_bytes(folder, &needed);
    ULARGE_INTEGER room;
    *fits = GetDiskFreeSpaceExA(files, &room, NULL, NULL) && room.QuadPart >= needed;
    record.complete = 1;
    kept_all =
        *fits && copy_tree(window, folder, files, failed, file, &record.files) && write_record(file, record);
  }
  CloseHandle(file);
  return kept_all;
}

// Moves the update under way in `kept` aside for the user, as "Kept.<n>"
// beside it, and names the copy's folder in `kept`; when it cannot be moved,
// `kept` names the copy where it is.
void set_aside(char *kept) {
  char base[MAX_PATH], from[MAX_PATH], to[MAX_PATH];
  folder_above(base, kept);
  lstrcpyA(from, kept);
  from[lstrlenA(from) - 1] = 0;  // without its backslash
  for (int number = 1; number <= MaxKeptCopies; ++number) {
    char name[16];
    wsprintfA(name, "Kept.%d", number);
    if (join_path(to, base, name) && MoveFileA(from, to)) {
      wsprintfA(kept, "%s\\", to);
      break;
    }
  }
  lstrcatA(kept, "Files\\");
}

}  // namespace

Recovery recovery_for(const KeptRecord &record, const char *folder, const InstallationState &now,
                      bool exe_is_new) {
  if (record.format != RecordFormat) return Recovery::SetAside;
  if (!record.complete) return Recovery::Discard;
  if (folder == NULL || lstrcmpiA(record.folder, folder) != 0) return Recovery::SetAside;
  const InstallationState &before = record.before;
  bool was_new = before.app_ver_present && before.app_ver == record.new_version;
  if (now.app_ver_present && now.app_ver == record.new_version && !was_new) return Recovery::Discard;
  bool same_app_ver = now.app_ver_present == before.app_ver_present &&
                      (!now.app_ver_present || now.app_ver == before.app_ver);
  bool exe_as_left = exe_is_new || (now.exe_ms == before.exe_ms && now.exe_ls == before.exe_ls) ||
                     (now.exe_ms == 0 && now.exe_ls == 0);
  return same_app_ver && exe_as_left ? Recovery::PutBack : Recovery::SetAside;
}

bool keep_application_folder(HWND window, const InstallationState &before, char *kept) {
  char failed[MAX_PATH];
  bool fits = true;
  if (create_kept_folder(kept) && record_and_copy(window, before, kept, failed, &fits)) return true;
  if (kept[0] == 0)
    lstrcpyA(failed, "CorvaneUpdate.Backup");
  else if (failed[0] == 0)
    lstrcpyA(failed, kept);  // the record could not be written
  discard_kept_copy(kept);
  if (!fits)
    show_error(window, NoRoomText);
  else
    show_error_with_path(window, NotKeptText, failed);
  return false;
}

bool restore_application_folder(HWND window, char *kept) {
  KeptRecord record;
  char files[MAX_PATH];
  HANDLE file = open_record(kept, &record);
  // Read whole before anything in the application folder is changed: a copy
  // removed or damaged meanwhile (a cleaner, a scanner's quarantine) would
  // otherwise have the folder emptied and nothing put in its place.
  bool whole = file != INVALID_HANDLE_VALUE && record.complete && join_path(files, kept, "Files\\") &&
               verify_tree(window, files, file, record.files);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  if (whole && put_back_tree(window, files, application_folder())) {
    discard_kept_copy(kept);
    return true;
  }
  set_aside(kept);
  show_error_with_path(window, whole ? NotRestoredText : DamagedText, kept);
  return false;
}

void discard_kept_copy(char *kept) {
  if (kept[0] == 0) return;
  char path[MAX_PATH], base[MAX_PATH];
  // The record goes last: while any of the copy is left, a later run finds it.
  if (join_path(path, kept, "Files\\")) remove_tree(path);
  if (join_path(path, kept, "Record")) DeleteFileA(path);
  RemoveDirectoryA(kept);
  folder_above(base, kept);
  RemoveDirectoryA(base);  // when no copy kept for the user stands in it
  kept[0] = 0;
}

bool find_interrupted_update(char *kept, KeptRecord *record) {
  char base[MAX_PATH];
  for (int which = 0; which < 2; ++which) {
    // A folder that others may change is not ours: what it holds is not read.
    if (!kept_base(which, base) || !is_protected_folder(base) || !join_path(kept, base, "Current\\") ||
        GetFileAttributesA(kept) == INVALID_FILE_ATTRIBUTES)
      continue;
    HANDLE file = open_record(kept, record);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    char files[MAX_PATH];
    // Stopped before its record was written: nothing was kept yet.
    if (record->format == 0 && join_path(files, kept, "Files\\") &&
        GetFileAttributesA(files) == INVALID_FILE_ATTRIBUTES) {
      record->format = RecordFormat;
      record->complete = 0;
    }
    return true;
  }
  kept[0] = 0;
  return false;
}

bool finish_interrupted_update(HWND window, char *kept, Recovery recovery) {
  switch (recovery) {
    case Recovery::PutBack:
      return restore_application_folder(window, kept);
    case Recovery::Discard:
      discard_kept_copy(kept);
      break;
    case Recovery::SetAside:
      set_aside(kept);
      show_error_with_path(window, ChangedSinceText, kept, MB_ICONWARNING);
      break;
  }
  return true;
}
