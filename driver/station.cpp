#include "station.h"

// Wine has no services' session: its tests start the updater on a window
// station of their own in the same session, which lacks WSF_VISIBLE as a
// service's does.

bool station_is_visible(DWORD flags) { return (flags & WSF_VISIBLE) != 0; }

bool process_station_is_visible() {
  USEROBJECTFLAGS flags = {};
  HWINSTA station = GetProcessWindowStation();  // not to be closed
  if (station == NULL || !GetUserObjectInformationA(station, UOI_FLAGS, &flags, sizeof flags, NULL))
    return true;
  return station_is_visible(flags.dwFlags);
}
