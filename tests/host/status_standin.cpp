// Test-only stand-in for the progress window's status line, linked into the
// target host while ui/ does not provide it: the host's window has its
// status line where the progress window has it.
#include "../../ui/progress_window.h"
#include "host_protocol.h"

void set_status(HWND window, const char *text) { SetDlgItemTextA(window, IDC_HOST_STATUS, text); }
