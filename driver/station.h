// Whether a person can see the updater's windows. Deployment tools start it
// as a service or as a task without a logged-on user, on a window station
// that no screen shows: a box there waits for ever for a click.
#pragma once
#include <windows.h>

// Whether a window station with these UOI_FLAGS flags is shown on a screen.
bool station_is_visible(DWORD flags);

// Whether this process's window station is shown on a screen; true when its
// flags cannot be read, so that a doubtful case behaves as an ordinary run.
bool process_station_is_visible();
