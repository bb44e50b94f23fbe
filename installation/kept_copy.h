// The kept copy of the application folder, which makes a failed update undo
// itself: made after the application has closed and before the payload is
// written, put back when the update fails, removed once the update has been
// verified. It lives in a folder of the updater's own in the system's
// temporary folder, "CorvaneUpdate.Backup" (".2", ".3", ... while an earlier
// one is still there: a copy kept after a failed restore, or left by an
// updater that was stopped, may be the user's only old version, and is never
// taken over or removed by a later run).
#pragma once
#include <windows.h>

// Each takes in `kept` (MAX_PATH bytes, the caller's) the kept copy's folder
// with its backslash, which keep_application_folder fills in.

// Copies the application folder, with everything below it, into a new kept
// copy, once the disk has room for it. False, after an error box owned by
// `window` and with nothing left behind, when the copy cannot be made: the
// update must not start then.
bool keep_application_folder(HWND window, char *kept);

// Puts the application folder back as the kept copy holds it, and removes the
// copy. When anything could not be put back, says so in an error box that
// names the copy's folder, and keeps the copy; false then.
bool restore_application_folder(HWND window, char *kept);

// Removes the kept copy, once the new version is in place.
void discard_kept_copy(char *kept);
