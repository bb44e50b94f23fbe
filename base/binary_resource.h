// Raw data that the updater carries as resources of the type "BINARY".
#pragma once
#include <windows.h>

// The bytes of the "BINARY" resource numbered `id` in the updater's own
// module, with their count in `size`; NULL when it cannot be found, loaded or
// locked. The bytes stay valid for the life of the process and carry no NUL
// of their own.
const void *binary_resource(WORD id, DWORD *size);
