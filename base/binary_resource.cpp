#include "binary_resource.h"

const void *binary_resource(WORD id, DWORD *size) {
  // A number sign followed by decimal digits names the integer identifier.
  // A WORD has at most five digits: "#65535" and its NUL fit.
  char name[8];
  wsprintfA(name, "#%d", id);
  HRSRC found = FindResourceA(NULL, name, "BINARY");
  if (found == NULL) return NULL;
  HGLOBAL loaded = LoadResource(NULL, found);
  if (loaded == NULL) return NULL;
  *size = SizeofResource(NULL, found);
  return LockResource(loaded);
}
