#include "message_box.h"

#include "caption.h"

int show_message(HWND owner, const char *text, UINT style) {
  return MessageBoxA(owner, text, UpdaterCaption, style);
}

void show_error(HWND owner, const char *text) { show_message(owner, text, MB_OK | MB_ICONERROR); }
