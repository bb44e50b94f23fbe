// Message boxes of the updater, all under the caption UpdaterCaption.
#pragma once
#include <windows.h>

// Shows `text` with the given MB_ style; returns the button pressed.
int show_message(HWND owner, const char *text, UINT style);

// An error: MB_ICONERROR with a single OK button.
void show_error(HWND owner, const char *text);
