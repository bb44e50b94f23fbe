// The payload installer: the installer program that the updater carries as
// raw data, written out into the application folder as "CRVUPSUB.exe",
// started against that folder, awaited with the progress window kept alive,
// and deleted again.
#pragma once
#include <windows.h>

// Creates `path` (truncating a file already there) and writes `length` bytes
// of `buffer` in one call. True when every byte was written. A file created
// but not fully written stays on disk.
bool write_file(const void *buffer, DWORD length, const char *path);

// Writes the whole resource of type "BINARY" numbered `resource_id` of the
// updater's own executable to a new file at `path`, straight from the loaded
// resource. False, before anything is written, when the resource is missing,
// cannot be loaded or does not match its recorded checksum; false as well when
// the file cannot be written.
bool write_resource_to_file(const char *path, WORD resource_id);

// Writes resource `resource_id` out as "CRVUPSUB.exe" into the application
// folder, runs it hidden with `target_folder` after "-n" and the folder as
// its current directory, waits until it is ready for input and then until it
// has ended, both while pumping `window` (the progress window, also the owner
// of the error boxes), and deletes the file. True once the program was
// started and has ended, whatever its exit code; false, after an error box,
// when it could not be written or started (a file written but not started is
// deleted).
bool install_payload(HWND window, WORD resource_id, const char *target_folder);
