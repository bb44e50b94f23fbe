// How the updater was started: from an update disc that carries the full
// installer, or as an ordinary update.
#pragma once

enum RunMode { OrdinaryUpdate, MediaUpgrade };

// The mode decided by decide_run_mode (OrdinaryUpdate before it).
RunMode run_mode();

// Decides the mode once, at start: MediaUpgrade when the full installer
// SETUP\SETUP.EXE stands below the updater's folder.
void decide_run_mode();

// The path of the full installer below the updater's folder, or NULL when
// it would not fit in MAX_PATH.
const char *full_installer_path();

// Whether the installed application may be upgraded from the disc: it is
// installed, its version record can be read and its major version is below 2.
bool media_upgrade_applies();

// Starts the full installer, quoted, so that a folder with blanks in its name
// cannot make the system run a program at the cut-off path instead.
void start_full_installer();

// How many directory entries the search for `pattern` yields.
int count_matching_files(const char *pattern);
