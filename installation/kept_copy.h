// The kept copy of the application folder, which makes a failed or
// interrupted update undo itself: made after the application has closed and
// before the payload is written, put back when the update fails, removed once
// the new version is recorded. It lives, with the record of the update under
// way, in "CorvaneUpdate.Backup\Current\" at the root of the application's
// volume (or, where that cannot be used, in "ProgramData" of the system's
// volume): a folder that only Administrators and SYSTEM may change, so that
// nothing an unelevated program puts there is ever copied into the
// application folder, and that a later run under any administrator's account,
// or as SYSTEM, finds. A copy kept on purpose (its restore failed, or the
// installation changed since) is moved beside it as "Kept.1", "Kept.2", ...
// for the user, and never looked at or removed by a later run.
#pragma once
#include <windows.h>

// What a recovery must know of the installation.
struct InstallationState {
  DWORD exe_ms, exe_ls;   // Corvane.exe's file version; both 0 when it has no readable one
  DWORD app_ver;          // "AppVer"
  DWORD app_ver_present;  // 1 when "AppVer" is there
};

// The record of an update under way, file "Record" beside the copy, written
// and flushed before the payload may change anything. The listing of the
// kept files with their CRC-32s follows it in the same file.
struct KeptRecord {
  DWORD format;    // RecordFormat
  DWORD complete;  // 1 once every file is kept, listed and flushed
  InstallationState before;
  DWORD new_version;      // the version being installed, as "AppVer" holds it
  DWORD files;            // listed after the record
  char folder[MAX_PATH];  // the application folder
  char copy[MAX_PATH];    // the kept copy's folder
};

constexpr DWORD RecordFormat = 0x31525643;  // "CVR1"

// What is done with the record of an update that did not finish.
enum class Recovery {
  PutBack,   // the folder is put back from the copy; then the update runs again
  Discard,   // the copy goes: it was never complete (the folder was not touched yet), or the update was
             // recorded
  SetAside,  // the installation changed since: the copy is kept for the user, nothing else is done
};

// Decides for `record`, the application folder being `folder` (NULL when
// there is none) and the installation `now`, with `exe_is_new` telling
// whether Corvane.exe now counts as the new version. A copy is put back only
// over the installation that the interrupted run left: the same folder,
// "AppVer" as before, Corvane.exe the old version, the new one, or one being
// replaced (no readable version).
Recovery recovery_for(const KeptRecord &record, const char *folder, const InstallationState &now,
                      bool exe_is_new);

// Each takes in `kept` (MAX_PATH bytes, the caller's) the folder of the
// update under way, which keep_application_folder fills in.

// Records the update under way (`before` the installation as it is, the
// folder and the version being installed) and copies the application folder,
// with everything below it, into a new kept copy, once the disk has room for
// it. False, after an error box owned by `window` and with nothing left
// behind, when the copy cannot be made: the update must not start then.
bool keep_application_folder(HWND window, const InstallationState &before, char *kept);

// Puts the application folder back as the kept copy holds it, and removes the
// copy and its record. Nothing in the application folder changes unless the
// whole copy is there with the bytes it was kept with. When the copy is not
// whole, or anything could not be put back, says so in an error box that
// names the copy's folder, and keeps the copy aside; false then.
bool restore_application_folder(HWND window, char *kept);

// Removes the kept copy and then its record.
void discard_kept_copy(char *kept);

// Looks for the record of an update that did not finish (the updater was
// stopped, or the power lost): true with its folder in `kept` and the record
// in `record`. A record that cannot be read has a `format` of 0.
bool find_interrupted_update(char *kept, KeptRecord *record);

// Carries out `recovery` for the update found in `kept`; false, after an
// error box, when the folder could not be put back.
bool finish_interrupted_update(HWND window, char *kept, Recovery recovery);
