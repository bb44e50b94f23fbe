// Recording in the system's Application event log, where deployment tools
// and administrators look for what an unattended program did.
#pragma once
#include <windows.h>

// Reports `text` (ANSI, the process's code page) under the event source
// `source` with `type` (EVENTLOG_ERROR_TYPE, _WARNING_TYPE, _INFORMATION_TYPE)
// and `id`. No message file stands behind the source: the text is the event's
// one insertion string. A log that cannot be reached loses the event quietly:
// recording never stops the program.
void report_event(const char *source, WORD type, DWORD id, const char *text);
