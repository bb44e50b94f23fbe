// The CRC-32 of a block of bytes (the polynomial of zip and PNG, reflected,
// initial value and final XOR 0xFFFFFFFF), as the build computes it when it
// records the checksum of a carried program.
#pragma once
#include <windows.h>

// The CRC-32 of the `length` bytes at `data`.
DWORD crc32_of(const void *data, DWORD length);

// The CRC-32 of bytes whose start had the CRC-32 `start` (0 for none),
// followed by the `length` bytes at `data`: a file read a piece at a time.
DWORD crc32_continued(DWORD start, const void *data, DWORD length);
