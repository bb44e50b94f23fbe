// What the target host program and the tests that drive it agree on.
#pragma once

// Exit codes of the host: the result of the operation it ran. Anything else
// means the host itself failed (a crash, a missing window).
constexpr unsigned long HostReturnedTrue = 1;
constexpr unsigned long HostReturnedFalse = 2;
constexpr unsigned long HostFailed = 3;

// Identifiers of the host's window: a dialog with one status line, under
// the identifier that the progress window gives its status line.
#define IDD_HOST_WINDOW 100
#define IDC_HOST_STATUS 1000
