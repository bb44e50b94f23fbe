// Raw data that the updater carries as resources of the type "BINARY".
#pragma once
#include <windows.h>

// The bytes of the "BINARY" resource numbered `id` in the updater's own
// module, with their count in `size`; NULL when it cannot be found, loaded or
// locked. The bytes stay valid for the life of the process and carry no NUL
// of their own.
const void *binary_resource(WORD id, DWORD *size);

// The same bytes, but only when they match the CRC-32 that the build recorded
// for them as resource `id` of the type "CRC32" (four bytes, little-endian);
// NULL when the checksum is missing or differs. The loader never looks into
// the resource section, so a damaged copy of the updater (a bad copy from a
// disc, a truncated or altered download) still starts; this is where the
// damage is found.
const void *verified_binary_resource(WORD id, DWORD *size);
