#include "crc32.h"

namespace {

constexpr DWORD Polynomial = 0xEDB88320;  // reflected 0x04C11DB7
constexpr int Slices = 8;                 // bytes taken per table step
constexpr DWORD Lanes = 4;                // parts of the data worked on side by side

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
DWORD word_at(const BYTE *p) {
  DWORD word;
  __builtin_memcpy(&word, p, sizeof word);
  return word;
}

// The CRC register after the eight bytes at `p`. Always inlined: kept out of
// line, as the size-optimised build would keep it, the loop runs at half the
// speed.
__attribute__((always_inline)) inline DWORD step(const DWORD table[Slices][256], DWORD crc, const BYTE *p) {
  DWORD low = crc ^ word_at(p);
  DWORD high = word_at(p + 4);
  return table[7][low & 0xFF] ^ table[6][(low >> 8) & 0xFF] ^ table[5][(low >> 16) & 0xFF] ^
         table[4][low >> 24] ^ table[3][high & 0xFF] ^ table[2][(high >> 8) & 0xFF] ^
         table[1][(high >> 16) & 0xFF] ^ table[0][high >> 24];
}

// a * b modulo the polynomial, both in the reflected bit order (x^0 is the
// top bit).
DWORD multiply(DWORD a, DWORD b) {
  DWORD product = 0;
  for (DWORD bit = 0x80000000; bit != 0; bit >>= 1) {
    if (a & bit) product ^= b;
    b = (b >> 1) ^ (Polynomial & (0u - (b & 1)));
  }
  return product;
}

// x^(8 * count) modulo the polynomial: what running `count` zero bytes
// through the register multiplies it by.
DWORD zero_bytes_factor(DWORD count) {
  DWORD factor = 0x80000000;  // 1
  DWORD power = 0x00800000;   // x^8, one zero byte
  for (; count != 0; count >>= 1, power = multiply(power, power))
    if (count & 1) factor = multiply(factor, power);
  return factor;
}

}  // namespace

DWORD crc32_of(const void *data, DWORD length) { return crc32_continued(0, data, length); }

DWORD crc32_continued(DWORD start, const void *data, DWORD length) {
  DWORD table[Slices][256];
  fill_tables(table);
  const BYTE *p = static_cast<const BYTE *>(data);
  DWORD crc = start ^ 0xFFFFFFFF;

  // One chain of table lookups waits on each previous result; four
  // independent chains, one per quarter of the data, keep the processor busy
  // (more than twice as fast for a large payload). The CRC is linear, so
  // the register after two parts A and B is the register after A multiplied
  // by the factor of |B| zero bytes, plus B's own register started from 0.
  DWORD part = length / (Lanes * Slices) * Slices;
  if (part > 0) {
    DWORD second = 0, third = 0, fourth = 0;
    for (DWORD offset = 0; offset < part; offset += Slices) {
      crc = step(table, crc, p + offset);
      second = step(table, second, p + part + offset);
      third = step(table, third, p + 2 * part + offset);
      fourth = step(table, fourth, p + 3 * part + offset);
    }
    DWORD factor = zero_bytes_factor(part);
    crc = multiply(multiply(multiply(crc, factor) ^ second, factor) ^ third, factor) ^ fourth;
    p += Lanes * part;
    length -= Lanes * part;
  }
  for (; length > 0; --length, ++p) crc = (crc >> 8) ^ table[0][(crc ^ *p) & 0xFF];
  return crc ^ 0xFFFFFFFF;
}
