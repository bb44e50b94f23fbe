// The CRC-32 of a block of bytes (the polynomial of zip and PNG, reflected,
// initial value and final XOR 0xFFFFFFFF), as the build computes it when it
// records the checksum of a carried program.
#pragma once
#include <windows.h>

// The CRC-32 of the `length` bytes at `data`.
DWORD crc32_of(const void *data, DWORD length);
