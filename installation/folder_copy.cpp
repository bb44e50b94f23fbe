#include "folder_copy.h"

#include "../base/crc32.h"
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

bool is_folder(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }

void keep_window_alive(HWND window) {
  if (GetTickCount() - last_pump < PumpInterval) return;
  pump_once(window);
  last_pump = GetTickCount();
}

// `folder` followed by the entry's name and, for a folder, a backslash.
// False when that does not fit.
bool join_entry(char *out, const char *folder, const WIN32_FIND_DATAA &entry) {
  if (!join_path(out, folder, entry.cFileName)) return false;
  if (!is_folder(entry.dwFileAttributes)) return true;
  int length = lstrlenA(out);
  if (length + 1 >= MAX_PATH) return false;
  out[length] = '\\';
  out[length + 1] = 0;
  return true;
}

// What is done with each entry of a folder: given its path and its directory
// entry, and the walk's own data.
typedef bool (*Visit)(const char *path, const WIN32_FIND_DATAA &entry, void *context);

// Calls `visit` with each entry of `folder` but "." and "..", going on past
// an entry that fails. True when the folder could be listed to its end and
// every entry succeeded: a listing cut short by an error is no complete one.
bool for_each_entry(const char *folder, Visit visit, void *context) {
  char path[MAX_PATH];
  if (!join_path(path, folder, "*")) return false;
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA(path, &entry);
  if (search == INVALID_HANDLE_VALUE) return false;
  bool all = true;
  do {
    if (lstrcmpA(entry.cFileName, ".") == 0 || lstrcmpA(entry.cFileName, "..") == 0) continue;
    if (!join_entry(path, folder, entry) || !visit(path, entry, context)) all = false;
  } while (FindNextFileA(search, &entry));
  if (GetLastError() != ERROR_NO_MORE_FILES) all = false;
  FindClose(search);
  return all;
}

// Others may read the file meanwhile; nobody may change it.
HANDLE open_to_read(const char *path) {
  return CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN,
                     NULL);
}

void close_both(HANDLE first, HANDLE second) {
  if (first != INVALID_HANDLE_VALUE) CloseHandle(first);
  if (second != INVALID_HANDLE_VALUE) CloseHandle(second);
}

bool set_attributes(const char *path, DWORD attributes) {
  attributes &= CarriedAttributes;
  return SetFileAttributesA(path, attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL) != FALSE;
}

// Reads `in` to its end a piece at a time and writes each piece to `other`,
// or with `compare` reads the same piece of `other` and checks that they are
// equal, or with `other` INVALID_HANDLE_VALUE only reads; `crc`, when given,
// is continued over every piece of `in`. True when every piece was written,
// or was equal up to both ends, or was read.
bool stream(HWND window, HANDLE in, HANDLE other, bool compare, DWORD *crc = NULL) {
  // The pieces side by side in the two halves of the buffer, compared a word
  // at a time; the bytes after a short piece's end are made zero in both.
  constexpr DWORD Half = BufferSize / 2, HalfWords = Half / sizeof(DWORD);
  DWORD words[2 * HalfWords];
  char *bytes = reinterpret_cast<char *>(words);
  bool done = in != INVALID_HANDLE_VALUE && (other != INVALID_HANDLE_VALUE || !compare);
  for (DWORD got = 1; done && got > 0;) {
    DWORD moved = 0;
    done = ReadFile(in, bytes, Half, &got, NULL);
    if (done && crc != NULL) *crc = crc32_continued(*crc, bytes, got);
    if (done && other != INVALID_HANDLE_VALUE)
      done = (compare ? ReadFile(other, bytes + Half, Half, &moved, NULL)
                      : WriteFile(other, bytes, got, &moved, NULL)) &&
             moved == got;
    for (DWORD at = got; compare && at % sizeof(DWORD) != 0; ++at) bytes[at] = bytes[Half + at] = 0;
    for (DWORD at = 0; compare && done && at < (got + 3) / sizeof(DWORD); ++at)
      done = words[at] == words[HalfWords + at];
    keep_window_alive(window);
  }
  return done;
}

// Replaces `to` whole with the bytes of the file `from`, whose directory
// entry is `entry`, then gives it the times and attributes of that entry
// (taken before `from` was read, so its access time is the one it had). The
// bytes are on the disk when it returns true, and `crc` holds their CRC-32.
bool copy_file(HWND window, const char *from, const char *to, const WIN32_FIND_DATAA &entry, DWORD *crc) {
  // Opened before the target is touched: a file that cannot be read leaves
  // the one it would replace as it was, rather than empty.
  HANDLE in = open_to_read(from);
  if (in == INVALID_HANDLE_VALUE) return false;
  // A read-only, hidden or system file in the way cannot be replaced as it is.
  SetFileAttributesA(to, FILE_ATTRIBUTE_NORMAL);
  HANDLE out = CreateFileA(to, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  *crc = 0;
  // Flushed: a copy that a power cut would leave with files of nothing but
  // zeroes is no copy, and the record says it is complete once this returns.
  bool copied = out != INVALID_HANDLE_VALUE && stream(window, in, out, false, crc) && FlushFileBuffers(out) &&
                SetFileTime(out, &entry.ftCreationTime, &entry.ftLastAccessTime, &entry.ftLastWriteTime);
  close_both(in, out);
  return copied && set_attributes(to, entry.dwFileAttributes);
}

// Whether the file `path` still is what `kept` (whose directory entry is
// `entry`) holds: the same size, time of last change, attributes and bytes.
// A file that the payload left alone is then left alone too: it may be in
// use (an updater started from the application folder is), and writing it
// again would cost as much as the copy did.
bool unchanged(HWND window, const char *kept, const char *path, const WIN32_FIND_DATAA &entry) {
  WIN32_FILE_ATTRIBUTE_DATA now;
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &now) || now.nFileSizeLow != entry.nFileSizeLow ||
      now.nFileSizeHigh != entry.nFileSizeHigh ||
      now.ftLastWriteTime.dwLowDateTime != entry.ftLastWriteTime.dwLowDateTime ||
      now.ftLastWriteTime.dwHighDateTime != entry.ftLastWriteTime.dwHighDateTime ||
      ((now.dwFileAttributes ^ entry.dwFileAttributes) & CarriedAttributes) != 0)
    return false;
  HANDLE in = open_to_read(kept), other = open_to_read(path);
  bool same = stream(window, in, other, true);
  close_both(in, other);
  return same;
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

// Removes the file or folder at `path`, which a listing gave as having
// `attributes`.
bool remove_entry(const char *path, DWORD attributes) {
  if (!is_folder(attributes)) {
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    return DeleteFileA(path) != FALSE;  // a link to a file goes by itself
  }
  // A junction or link goes by itself; what it points to is not ours. Judged
  // on the folder itself as it is removed, not from the listing: one swapped
  // for a junction since would have an administrator's rights delete its
  // target. Held open without FILE_SHARE_DELETE while it is emptied, it
  // cannot be renamed away and replaced meanwhile. No test shows a junction
  // swapped in: Wine's file systems were not seen to offer one.
  HANDLE folder =
      CreateFileA(path, FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, NULL);
  BY_HANDLE_FILE_INFORMATION now;
  bool emptied = folder != INVALID_HANDLE_VALUE && GetFileInformationByHandle(folder, &now) &&
                 ((now.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ||
                  for_each_entry(path, remove_visited, NULL));
  if (folder != INVALID_HANDLE_VALUE) CloseHandle(folder);
  SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
  return RemoveDirectoryA(path) && emptied;
}

// One folder made to hold what another holds (copy_tree, put_back_tree).
// Both go on past a failure: a copy that fails is discarded whole anyway.
struct Mirroring {
  HWND window;
  bool putting_back;   // leaves the files that did not change alone
  char *failed;        // the first entry that failed
  HANDLE listing;      // where each file copied is listed, or INVALID_HANDLE_VALUE
  int root_length;     // of the folder being copied, whose files are listed by the rest of their path
  DWORD *files;        // how many are listed
  const char *source;  // the folder being copied, at the level being walked
  const char *target;  // the folder being made, at that level
};

// One file of a listing: its CRC-32 and the length of its path below the
// folder copied, followed by that path.
struct ListedFile {
  DWORD crc;
  DWORD length;
};

bool write_all(HANDLE file, const void *data, DWORD length) {
  DWORD written;
  return WriteFile(file, data, length, &written, NULL) && written == length;
}

bool read_all(HANDLE file, void *data, DWORD length) {
  DWORD read;
  return ReadFile(file, data, length, &read, NULL) && read == length;
}

// Lists the file copied from `path` with its CRC-32.
bool list_file(Mirroring *job, const char *path, DWORD crc) {
  const char *below = path + job->root_length;
  ListedFile listed = {crc, static_cast<DWORD>(lstrlenA(below))};
  ++*job->files;
  return write_all(job->listing, &listed, sizeof listed) && write_all(job->listing, below, listed.length);
}

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
  if (kept != INVALID_FILE_ATTRIBUTES && is_folder(kept) == is_folder(entry.dwFileAttributes)) return true;
  return remove_entry(path, entry.dwFileAttributes) || note_failure(job, path);
}

// An entry of the source is written into the target, unless it is being put
// back and is there unchanged.
bool copy_into_target(const char *path, const WIN32_FIND_DATAA &entry, void *context) {
  Mirroring *job = static_cast<Mirroring *>(context);
  char target[MAX_PATH];
  bool done = join_entry(target, job->target, entry);
  DWORD crc;
  if (done && !is_folder(entry.dwFileAttributes)) {
    done = (job->putting_back && unchanged(job->window, path, target, entry)) ||
           (copy_file(job->window, path, target, entry, &crc) &&
            (job->listing == INVALID_HANDLE_VALUE || list_file(job, path, crc)));
  } else if (done) {
    done = (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0 && mirror(*job, path, target);
  }
  return done || note_failure(job, path);
}

bool mirror(Mirroring job, const char *source, const char *target) {
  job.source = source;
  job.target = target;
  // A folder that is neither there nor made fails the walk through it.
  CreateDirectoryA(target, NULL);
  bool cleared = for_each_entry(target, remove_if_not_in_source, &job);
  bool filled = for_each_entry(source, copy_into_target, &job);
  bool details = copy_folder_details(source, target);
  return (cleared && filled && details) || note_failure(&job, source);
}

bool add_bytes(const char *path, const WIN32_FIND_DATAA &entry, void *context) {
  if (is_folder(entry.dwFileAttributes)) return for_each_entry(path, add_bytes, context);
  ULONGLONG size = (static_cast<ULONGLONG>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
  *static_cast<ULONGLONG *>(context) += (size + Cluster - 1) & ~(Cluster - 1);
  return true;
}

bool count_files(const char *path, const WIN32_FIND_DATAA &entry, void *context) {
  if (is_folder(entry.dwFileAttributes)) return for_each_entry(path, count_files, context);
  ++*static_cast<DWORD *>(context);
  return true;
}

bool mirror_tree(HWND window, bool putting_back, const char *source, const char *target, char *failed,
                 HANDLE listing, DWORD *files) {
  failed[0] = 0;
  last_pump = GetTickCount();
  *files = 0;
  Mirroring job = {window, putting_back, failed, listing, lstrlenA(source), files, NULL, NULL};
  return mirror(job, source, target);
}

}  // namespace

bool tree_bytes(const char *folder, ULONGLONG *bytes) {
  *bytes = 0;
  return for_each_entry(folder, add_bytes, bytes);
}

bool copy_tree(HWND window, const char *from, const char *to, char *failed, HANDLE listing, DWORD *files) {
  return mirror_tree(window, false, from, to, failed, listing, files);
}

bool put_back_tree(HWND window, const char *copy, const char *folder) {
  char failed[MAX_PATH];
  DWORD files;
  return mirror_tree(window, true, copy, folder, failed, INVALID_HANDLE_VALUE, &files);
}

bool verify_tree(HWND window, const char *copy, HANDLE listing, DWORD files) {
  last_pump = GetTickCount();
  for (DWORD file = 0; file < files; ++file) {
    ListedFile listed;
    char below[MAX_PATH], path[MAX_PATH];
    if (!read_all(listing, &listed, sizeof listed) || listed.length >= MAX_PATH ||
        !read_all(listing, below, listed.length))
      return false;
    below[listed.length] = 0;
    DWORD crc = 0;
    HANDLE in = join_path(path, copy, below) ? open_to_read(path) : INVALID_HANDLE_VALUE;
    bool intact = stream(window, in, INVALID_HANDLE_VALUE, false, &crc) && crc == listed.crc;
    if (in != INVALID_HANDLE_VALUE) CloseHandle(in);
    if (!intact) return false;
  }
  // Nothing besides: a file added would be put back into the application.
  DWORD found = 0;
  return for_each_entry(copy, count_files, &found) && found == files;
}

bool remove_tree(const char *folder) {
  DWORD attributes = GetFileAttributesA(folder);
  return attributes == INVALID_FILE_ATTRIBUTES || remove_entry(folder, attributes);
}
