#include "update_guide.h"

#include <windows.h>

#include "../base/binary_resource.h"
#include "resource_ids.h"

char *load_update_guide() {
  DWORD size = 0;
  const char *bytes = static_cast<const char *>(binary_resource(IDR_UPDATE_GUIDE, &size));
  if (bytes == NULL) return NULL;

  // The edit control reads up to a NUL, which the resource does not have:
  // end the text at the resource's size in a copy of our own.
  char *text = static_cast<char *>(HeapAlloc(GetProcessHeap(), 0, size + 1));
  if (text == NULL) return NULL;
  for (DWORD i = 0; i < size; ++i) text[i] = bytes[i];
  text[size] = '\0';
  return text;
}

void release_update_guide(char *text) {
  if (text != NULL) HeapFree(GetProcessHeap(), 0, text);
}
