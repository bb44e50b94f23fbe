// The About box: the program icon, the caption, the copyright line and the
// update guide, with one Close button.
#pragma once
#include <windows.h>

// Runs the About box modally over `owner` and returns when it has closed.
// A failure to create it is ignored.
void show_about_box(HWND owner);
