#include "message_box.h"

#include "../base/event_log.h"
#include "caption.h"

namespace {
bool unattended = false;
}  // namespace

void answer_boxes_unattended() { unattended = true; }
bool boxes_unattended() { return unattended; }

int safe_answer(UINT style) {
  switch (style & MB_TYPEMASK) {
    case MB_OK:
      return IDOK;
    case MB_ABORTRETRYIGNORE:
      return IDABORT;
    case MB_YESNO:
      return IDNO;
    default:  // MB_OKCANCEL, MB_RETRYCANCEL, MB_YESNOCANCEL, MB_CANCELTRYCONTINUE
      return IDCANCEL;
  }
}

WORD event_type_of(UINT style) {
  switch (style & MB_ICONMASK) {
    case MB_ICONERROR:
      return EVENTLOG_ERROR_TYPE;
    case MB_ICONWARNING:
      return EVENTLOG_WARNING_TYPE;
    default:
      return EVENTLOG_INFORMATION_TYPE;
  }
}

void record_unattended(const char *text, UINT style, DWORD id) {
  if (unattended) report_event(UpdaterEventSource, event_type_of(style), id, text);
}

int show_message(HWND owner, const char *text, UINT style) {
  if (unattended) {
    record_unattended(text, style);
    return safe_answer(style);
  }
  return MessageBoxA(owner, text, UpdaterCaption, style);
}

void show_error(HWND owner, const char *text) { show_message(owner, text, MB_OK | MB_ICONERROR); }
