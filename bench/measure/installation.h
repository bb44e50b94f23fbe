// The installed application as each update run finds it: version 2.2.0.1 in
// a folder of its own, registered under the application's key, not running.
#pragma once
#include <windows.h>

#include <string>

// Lays out a fresh installation from the stand-ins in `standins` (a folder
// ending with a backslash). False when it could not be laid out.
bool prepare_installation(const std::string &standins);

// The installation's folder (with its final backslash) and executable.
std::string installation_folder();
std::string installed_exe();

// Starts the installed application and waits until it takes input; the
// process handle, or NULL.
HANDLE start_installed_application();

// Whether the run left the update in place: "AppVer" is 2.3.0.1, the
// application's executable is the new one and the payload file is gone.
bool update_applied(const std::string &standins);

// Ends the application that the updater started again, so that the next run
// finds it not running.
void close_restarted_application();
