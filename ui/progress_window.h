// The progress window: a modeless dialog with two pictures and a status line.
#pragma once
#include <windows.h>

// System-menu command that opens the About box. Its four low bits are zero:
// the platform uses those bits of WM_SYSCOMMAND's wParam for itself.
constexpr UINT AboutCommand = 16;

// Creates, decorates and shows the progress window. Returns NULL after
// showing the message box that names the failure.
HWND create_progress_window();

// Sets the text of the status line. Neither pumps nor waits.
void set_status(HWND window, const char *text);
