// An update started from a disc: whether the disc's updater applies to the
// installed application, or the disc's full installer takes over.
#pragma once

// Whether the installed application may be upgraded from the disc: it is
// installed, its version record can be read and its major version is below 2.
bool media_upgrade_applies();

// Starts the full installer, quoted, so that a folder with blanks in its name
// cannot make the system run a program at the cut-off path instead. False
// when it could not be started (missing, blocked, not a program).
bool start_full_installer();
