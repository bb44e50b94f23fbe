#include "crc32.h"

namespace {

constexpr DWORD Polynomial = 0xEDB88320;  // reflected 0x04C11DB7
constexpr int Slices = 8;                 // bytes taken per step

// table[0] is the classic byte-at-a-time table; table[k][b] is the CRC of
// byte b followed by k zero bytes, so eight table lookups advance eight
// bytes at once. Built on the stack for each call (a few microseconds):
// 8 KiB of static data would double the updater's code and data.
void fill_tables(DWORD table[Slices][256]) {
  for (DWORD byte = 0; byte < 256; ++byte) {
    DWORD crc = byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (Polynomial & (0u - (crc & 1)));
    table[0][byte] = crc;
  }
  for (int slice = 1; slice < Slices; ++slice)
    for (DWORD byte = 0; byte < 256; ++byte) {
      DWORD previous = table[slice - 1][byte];
      table[slice][byte] = (previous >> 8) ^ table[0][previous & 0xFF];
    }
}

// Four bytes in the order the CRC takes them; x86 reads words little-endian.
DWORD little_endian_word(const BYTE *p) {
  DWORD word;
  __builtin_memcpy(&word, p, sizeof word);
  return word;
}

}  // namespace

DWORD crc32_of(const void *data, DWORD length) {
  DWORD table[Slices][256];
  fill_tables(table);
  const BYTE *p = static_cast<const BYTE *>(data);
  DWORD crc = 0xFFFFFFFF;
  for (; length >= Slices; length -= Slices, p += Slices) {
    DWORD low = crc ^ little_endian_word(p);
    DWORD high = little_endian_word(p + 4);
    crc = table[7][low & 0xFF] ^ table[6][(low >> 8) & 0xFF] ^ table[5][(low >> 16) & 0xFF] ^
          table[4][low >> 24] ^ table[3][high & 0xFF] ^ table[2][(high >> 8) & 0xFF] ^
          table[1][(high >> 16) & 0xFF] ^ table[0][high >> 24];
  }
  for (; length > 0; --length, ++p) crc = (crc >> 8) ^ table[0][(crc ^ *p) & 0xFF];
  return crc ^ 0xFFFFFFFF;
}
