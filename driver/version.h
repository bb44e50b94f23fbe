// The version operations: reading an executable's version record, deciding
// whether this update applies to it, and recording the new version.
#pragma once
#include <windows.h>

#include "release.h"
#include "run_mode.h"

// The version this update brings, packed one byte per field (2.3.0.1 is
// 0x02030001); the release description gives it.
constexpr DWORD NewVersion = RELEASE_PACKED_VERSION;

// The last build this update replaces, as file-version words: later builds
// count as the latest.
constexpr DWORD ReplacedUpToMS = RELEASE_REPLACES_MS;
constexpr DWORD ReplacedUpToLS = RELEASE_REPLACES_LS;

// The lowest major version an ordinary update accepts; older installations
// need the full installer of an update disc.
constexpr WORD LowestUpdatableMajor = RELEASE_LOWEST_MAJOR;

// Fills `record` with the fixed file-version record of the executable at
// `path`. False for a missing path or record, a path of MAX_PATH bytes or more,
// or a file without a readable version resource.
bool read_file_version(const char *path, VS_FIXEDFILEINFO *record);

// -1: the installed version is too old for this updater; 0: it may be
// updated; +1: it is already the latest. Reads the current RunMode.
int check_version(const VS_FIXEDFILEINFO *record);

// check_version's rule for a given mode and file-version words.
int version_verdict(RunMode mode, DWORD version_ms, DWORD version_ls);

// Writes "AppVer" = NewVersion under the application's key, creating the key
// when it is missing. True only when both steps succeeded.
bool record_version();
