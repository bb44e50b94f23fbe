// Starting the updated application again.
#pragma once

#include "run_mode.h"

// The word after "/" on the application's command line: "Setup" after an
// ordinary update, "Welcome" after a media upgrade.
const char *application_switch(RunMode mode);

// Starts the application with the switch of the current RunMode, in its own
// folder, and waits until it is ready for input, for a minute at most. True
// when it was started.
bool launch_application();
