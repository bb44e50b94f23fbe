#include "update_guide.h"

#include <windows.h>

#include "resource_ids.h"

char *load_update_guide() {
  // A number sign followed by decimal digits names the integer identifier.
  char name[8];
  wsprintfA(name, "#%d", IDR_UPDATE_GUIDE);
  HRSRC found = FindResourceA(NULL, name, "BINARY");
  if (found == NULL) return NULL;
  HGLOBAL loaded = LoadResource(NULL, found);
  if (loaded == NULL) return NULL;
  const char *bytes = static_cast<const char *>(LockResource(loaded));
  DWORD size = SizeofResource(NULL, found);
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
