// What the target host program and the tests that drive it agree on.
#pragma once

// Exit codes of the host: the result of the operation it ran. Anything else
// means the host itself failed (a crash, no progress window).
constexpr unsigned long HostReturnedTrue = 1;
constexpr unsigned long HostReturnedFalse = 2;
constexpr unsigned long HostFailed = 3;
// "close" only: the application's mutex could be neither created nor opened
// (HostReturnedFalse there means the user gave up waiting).
constexpr unsigned long HostFoundNoMutex = 4;
