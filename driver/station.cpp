#include "station.h"

bool station_is_visible(DWORD flags) { return (flags & WSF_VISIBLE) != 0; }

bool process_station_is_visible() {
  USEROBJECTFLAGS flags = {};
  HWINSTA station = GetProcessWindowStation();  // not to be closed
  if (station == NULL || !GetUserObjectInformationA(station, UOI_FLAGS, &flags, sizeof flags, NULL))
    return true;
  return station_is_visible(flags.dwFlags);
}
