// The folder of the updater's own executable.
#pragma once

// The folder of the updater's executable with its trailing backslash, worked
// out on first use and kept for the life of the process.
const char *updater_folder();

// Cuts `path` just after its last backslash. Double-byte characters are
// stepped over whole, since the second byte of one can be 0x5C.
void cut_after_last_backslash(char *path);
