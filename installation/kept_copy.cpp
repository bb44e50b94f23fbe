#include "kept_copy.h"

#include "../base/paths.h"
#include "../ui/message_box.h"
#include "folder_copy.h"
#include "locator.h"

namespace {

constexpr char NoRoomText[] =
    "ディスクの空き容量が足りないため、更新前のファイルを保存できません。\n"
    "アップデートを中止します。";
// Followed by the path that could not be copied.
constexpr char NotKeptText[] = "更新前のファイルを保存できないため、アップデートを中止します。\n%s";
// Followed by the kept copy's folder.
constexpr char NotRestoredText[] =
    "一部のファイルを更新前の状態に戻せませんでした。\n"
    "更新前のファイルは次のフォルダに残してあります。\n%s";

// Earlier kept copies that may stand beside a new one.
constexpr int MaxKeptCopies = 99;

// Creates a new kept copy's folder in the temporary folder, its path into
// `kept`.
bool create_kept_folder(char *kept) {
  char temporary[MAX_PATH];
  DWORD length = GetTempPathA(MAX_PATH, temporary);
  if (length == 0 || length >= MAX_PATH) return false;
  for (int number = 1; number <= MaxKeptCopies; ++number) {
    char name[32];
    wsprintfA(name, number == 1 ? "CorvaneUpdate.Backup\\" : "CorvaneUpdate.Backup.%d\\", number);
    if (!join_path(kept, temporary, name)) return false;
    if (CreateDirectoryA(kept, NULL)) return true;
    if (GetFileAttributesA(kept) == INVALID_FILE_ATTRIBUTES) return false;  // not there, cannot be made
  }
  return false;
}

void show_error_with_path(HWND window, const char *format, const char *path) {
  char text[512];  // the longest text and a path of MAX_PATH bytes
  wsprintfA(text, format, path);
  show_error(window, text);
}

}  // namespace

bool keep_application_folder(HWND window, char *kept) {
  // An earlier copy is never touched: without a folder of its own there is
  // nothing to clean up either.
  kept[0] = 0;
  if (!create_kept_folder(kept)) {
    show_error_with_path(window, NotKeptText, kept);
    return false;
  }
  const char *folder = application_folder();  // found by the update sequence already
  // A folder below that cannot be listed is left out of the count; the copy
  // then fails on it, by name.
  ULONGLONG needed;
  tree_bytes(folder, &needed);
  ULARGE_INTEGER room;
  bool fits = GetDiskFreeSpaceExA(kept, &room, NULL, NULL) && room.QuadPart >= needed;
  char failed[MAX_PATH];
  if (fits && copy_tree(window, folder, kept, failed)) return true;
  discard_kept_copy(kept);
  if (!fits)
    show_error(window, NoRoomText);
  else
    show_error_with_path(window, NotKeptText, failed);
  return false;
}

bool restore_application_folder(HWND window, char *kept) {
  if (put_back_tree(window, kept, application_folder())) {
    discard_kept_copy(kept);
    return true;
  }
  show_error_with_path(window, NotRestoredText, kept);
  return false;
}

void discard_kept_copy(char *kept) {
  remove_tree(kept);
  kept[0] = 0;
}
