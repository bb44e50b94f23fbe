#include "folder_copy.h"

#include "../base/paths.h"
#include "../ui/pump.h"

namespace {

// The buffer through which every file passes: large enough that a file costs
// little more than its bytes in calls, small enough to add nothing worth
// counting to the updater's memory. On the stack: a zero-filled global would
// take its size in the program file (MinGW places such data in .data).
constexpr DWORD BufferSize = 64 * 1024;

// The longest stretch without a pump of the window while files are copied:
// the same as while the payload runs.
constexpr DWORD PumpInterval = 100;
DWORD last_pump;

// The attributes that a copy carries over; the others are the file system's.
constexpr DWORD CarriedAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

// NTFS's usual cluster: the least a file of any size takes on the disk.
constexpr ULONGLONG Cluster = 4096;

bool is_folder(const WIN32_FIND_DATAA &entry) {
  return (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void keep_window_alive(HWND window) {
  if (GetTickCount() - last_pump < PumpInterval) return;
  pump_once(window);
  last_pump = GetTickCount();
}

// `folder` followed by the entry's name and, for a folder, a backslash.
// False when that does not fit.
bool join_entry(char *out, const char *folder, const WIN32_FIND_DATAA &entry) {
  if (join_path(out, folder, entry.cFileName)) {
    int length = lstrlenA(out);
    if (!is_folder(entry)) return true;
    if (length + 1 < MAX_PATH) {
      out[length] = '\\';
      out[length + 1] = 0;
      return true;
    }
  }
  return false;
}

// What is done with each entry of a folder: given its path and its directory
// entry, and the walk's own data.
typedef bool (*Visit)(const char *path, const WIN32_FIND_DATAA &entry, void *context);

// Calls `visit` with each entry of `folder` but "." and "..". Stops at the
// first entry that fails unless `go_on`. True when the folder could be listed
// and every entry succeeded.
bool for_each_entry(const char *folder, bool go_on, Visit visit, void *context) {
  char path[MAX_PATH];
  if (!join_path(path, folder, "*")) return false;
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA(path, &entry);
  if (search == INVALID_HANDLE_VALUE) return false;
  bool all = true;
  do {
    if (lstrcmpA(entry.cFileName, ".") == 0 || lstrcmpA(entry.cFileName, "..") == 0) continue;
    if (!join_entry(path, folder, entry) || !visit(path, entry, context)) {
      all = false;
      if (!go_on) break;
    }
  } while (FindNextFileA(search, &entry));
  FindClose(search);
  return all;
}

bool set_attributes(const char *path, DWORD attributes) {
  attributes &= CarriedAttributes;
  return SetFileAttributesA(path, attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL) != FALSE;
}

// Replaces `to` whole with the bytes of the file `from`, whose directory
// entry is `entry`, then gives it the times and attributes of that entry
// (taken before `from` was read, so its access time is the one it had).
bool copy_file(HWND window, const char *from, const char *to, const WIN32_FIND_DATAA &entry) {
  HANDLE in =
      CreateFileA(from, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, NULL);
  if (in == INVALID_HANDLE_VALUE) return false;
  char buffer[BufferSize];
  // A read-only, hidden or system file in the way cannot be replaced as it is.
  SetFileAttributesA(to, FILE_ATTRIBUTE_NORMAL);
  HANDLE out = CreateFileA(to, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  bool copied = out != INVALID_HANDLE_VALUE;
  for (DWORD got = 1; copied && got > 0;) {
    DWORD put = 0;
    copied =
        ReadFile(in, buffer, BufferSize, &got, NULL) && WriteFile(out, buffer, got, &put, NULL) && put == got;
    keep_window_alive(window);
  }
  copied = copied && SetFileTime(out, &entry.ftCreationTime, &entry.ftLastAccessTime, &entry.ftLastWriteTime);
  if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
  CloseHandle(in);
  return copied && set_attributes(to, entry.dwFileAttributes);
}

// Gives the folder `to` the times and attributes of the folder `from`; done
// once `to` is filled, since every entry made in it changes its times.
bool copy_folder_details(const char *from, const char *to) {
  WIN32_FILE_ATTRIBUTE_DATA details;
  if (!GetFileAttributesExA(from, GetFileExInfoStandard, &details)) return false;
  HANDLE folder =
      CreateFileA(to, FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, NULL);
  if (folder == INVALID_HANDLE_VALUE) return false;
  bool set =
      SetFileTime(folder, &details.ftCreationTime, &details.ftLastAccessTime, &details.ftLastWriteTime);
  CloseHandle(folder);
  return set && set_attributes(to, details.dwFileAttributes);
}

bool remove_entry(const char *path, DWORD attributes);

bool remove_visited(const char *path, const WIN32_FIND_DATAA &entry, void *) {
  return remove_entry(path, entry.dwFileAttributes);
}

// Removes the file or folder at `path`, whose attributes are `attributes`.
bool remove_entry(const char *path, DWORD attributes) {
  SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return DeleteFileA(path) != FALSE;
  // A junction or link goes by itself; what it points to is not ours.
  bool emptied =
      (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 || for_each_entry(path, true, remove_visited, NULL);
  return RemoveDirectoryA(path) && emptied;
}

// One folder made to hold what another holds (copy_tree, put_back_tree).
struct Mirroring {
  HWND window;
  bool go_on;          // past a failure, to put back as much as can be
  char *failed;        // the first entry that failed
  const char *source;  // the folder being copied, at the level being walked
  const char *target;  // the folder being made, at that level
};

// Names `path` in `failed` unless a deeper entry is named there already.
// Always false, for the caller to return.
bool note_failure(Mirroring *job, const char *path) {
  if (job->failed[0] == 0) lstrcpyA(job->failed, path);
  return false;
}

bool mirror(Mirroring job, const char *source, const char *target);

// An entry of the target that the source lacks, or holds as the other kind
// (a file where a folder is, or the other way round), goes.
bool remove_if_not_in_source(const char *path, const WIN32_FIND_DATAA &entry, void *context) {
  Mirroring *job = static_cast<Mirroring *>(context);
  char source[MAX_PATH];
  DWORD kept = join_entry(source, job->source, entry) ? GetFileAttributesA(source) : INVALID_FILE_ATTRIBUTES;
  if (kept != INVALID_FILE_ATTRIBUTES && ((kept ^ entry.dwFileAttributes) & FILE_ATTRIBUTE_DIRECTORY) == 0)
    return true;
  return remove_entry(path, entry.dwFileAttributes) || note_failure(job, path);
}

// An entry of the source is written into the target, whether it changed
// there or not: bytes can change under the same size and time.
bool copy_into_target(const char *path, const WIN32_FIND_DATAA &entry, void *context) {
  Mirroring *job = static_cast<Mirroring *>(context);
  char target[MAX_PATH];
  bool done = join_entry(target, job->target, entry);
  if (done && !is_folder(entry)) {
    done = copy_file(job->window, path, target, entry);
  } else if (done && (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    done = false;
  } else if (done) {
    done = mirror(*job, path, target);
  }
  return done || note_failure(job, path);
}

bool mirror(Mirroring job, const char *source, const char *target) {
  job.source = source;
  job.target = target;
  bool cleared = (CreateDirectoryA(target, NULL) || GetLastError() == ERROR_ALREADY_EXISTS) &&
                 for_each_entry(target, true, remove_if_not_in_source, &job);
  bool filled = (cleared || job.go_on) && for_each_entry(source, job.go_on, copy_into_target, &job);
  bool details = (filled || job.go_on) && copy_folder_details(source, target);
  return (cleared && filled && details) || note_failure(&job, source);
}

bool add_bytes(const char *path, const WIN32_FIND_DATAA &entry, void *context) {
  if (is_folder(entry)) return for_each_entry(path, false, add_bytes, context);
  ULONGLONG size = (static_cast<ULONGLONG>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
  *static_cast<ULONGLONG *>(context) += (size + Cluster - 1) & ~(Cluster - 1);
  return true;
}

bool mirror_tree(HWND window, bool go_on, const char *source, const char *target, char *failed) {
  failed[0] = 0;
  last_pump = GetTickCount();
  Mirroring job = {window, go_on, failed, NULL, NULL};
  return mirror(job, source, target);
}

}  // namespace

bool tree_bytes(const char *folder, ULONGLONG *bytes) {
  *bytes = 0;
  return for_each_entry(folder, false, add_bytes, bytes);
}

bool copy_tree(HWND window, const char *from, const char *to, char *failed) {
  return mirror_tree(window, false, from, to, failed);
}

bool put_back_tree(HWND window, const char *copy, const char *folder) {
  char failed[MAX_PATH];
  return mirror_tree(window, true, copy, folder, failed);
}

bool remove_tree(const char *folder) {
  DWORD attributes = GetFileAttributesA(folder);
  return attributes == INVALID_FILE_ATTRIBUTES || remove_entry(folder, attributes);
}
