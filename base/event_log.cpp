#include "event_log.h"

// Wine keeps no event log: it prints each string of an event on its
// `eventlog` debug channel and drops it, so what the viewer of Windows shows
// cannot be seen under Wine.

void report_event(const char *source, WORD type, DWORD id, const char *text) {
  HANDLE log = RegisterEventSourceA(NULL, source);
  if (log == NULL) return;
  const char *strings[] = {text};
  ReportEventA(log, type, 0, id, NULL, 1, 0, strings, NULL);
  DeregisterEventSource(log);
}
