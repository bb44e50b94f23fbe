// Loading the platform's DLLs from the system folder only.
#pragma once
#include <windows.h>

// Restricts the DLL search of this process to the system folder, where the
// platform offers that. Guards against a DLL planted beside the updater in a
// downloads folder, which the default search would find first.
void restrict_dll_search();

// Looks up `function` in the system DLL `library`, loaded by its full path in
// the system folder; NULL when either is missing. The DLL stays loaded for
// the life of the process.
FARPROC system_function(const char *library, const char *function);
