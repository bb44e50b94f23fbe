// Forming path texts in fixed buffers of MAX_PATH bytes.
#pragma once
#include <windows.h>

// Writes `folder` followed by `name` into `out` (MAX_PATH bytes). Returns
// false, leaving `out` untouched, when the result would not fit with its NUL.
bool join_path(char *out, const char *folder, const char *name);
