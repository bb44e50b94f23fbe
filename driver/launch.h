// Starting the updated application again.
#pragma once

#include <windows.h>

#include "run_mode.h"

// How often the start of the application is attempted at most, and the
// pause in milliseconds between two attempts.
constexpr int StartAttempts = 5;
constexpr DWORD StartRetryPause = 400;

// The word after "/" on the application's command line: "Setup" after an
// ordinary update, "Welcome" after a media upgrade.
const char *application_switch(RunMode mode);

// Whether a start that failed with `error` (GetLastError of CreateProcessA),
// after `attempts_made` attempts, is attempted again: only a failure that a
// program holding the new executable open for a moment causes (a sharing
// violation or access denied), and only up to StartAttempts attempts.
bool start_worth_retrying(DWORD error, int attempts_made);

// Starts the application with the switch of the current RunMode, in its own
// folder, and waits until it is ready for input, for a minute at most. A
// start refused while another program holds the executable is attempted
// again, StartRetryPause apart (see start_worth_retrying). True when it was
// started.
bool launch_application();
