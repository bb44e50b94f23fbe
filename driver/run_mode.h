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

// How many directory entries the search for `pattern` yields.
int count_matching_files(const char *pattern);
