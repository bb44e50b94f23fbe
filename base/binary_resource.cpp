#include "binary_resource.h"

#include "crc32.h"

namespace {

// The resource of the named type `type` numbered `id` in the own module.
const void *typed_resource(const char *type, WORD id, DWORD *size) {
  // A number sign followed by decimal digits names the integer identifier.
  // A WORD has at most five digits: "#65535" and its NUL fit.
  char name[8];
  wsprintfA(name, "#%d", id);
  HRSRC found = FindResourceA(NULL, name, type);
  if (found == NULL) return NULL;
  HGLOBAL loaded = LoadResource(NULL, found);
  if (loaded == NULL) return NULL;
  *size = SizeofResource(NULL, found);
  return LockResource(loaded);
}

}  // namespace

const void *binary_resource(WORD id, DWORD *size) { return typed_resource("BINARY", id, size); }

const void *verified_binary_resource(WORD id, DWORD *size) {
  DWORD checksum_size = 0;
  const void *checksum = typed_resource("CRC32", id, &checksum_size);
  DWORD recorded;
  if (checksum == NULL || checksum_size != sizeof recorded) return NULL;
  CopyMemory(&recorded, checksum, sizeof recorded);  // x86: little-endian, as recorded
  const void *data = binary_resource(id, size);
  if (data == NULL || crc32_of(data, *size) != recorded) return NULL;
  return data;
}
