/* The memory routines that the compiler emits calls to on its own (large
 * zero-initialisations and structure copies). Built with -ffreestanding and
 * without loop-pattern distribution, or these loops would compile into calls
 * to themselves. */
#include <stddef.h>

void *memset(void *dest, int value, size_t count) {
  unsigned char *d = (unsigned char *)dest;
  while (count--) *d++ = (unsigned char)value;
  return dest;
}

void *memcpy(void *dest, const void *src, size_t count) {
  unsigned char *d = (unsigned char *)dest;
  const unsigned char *s = (const unsigned char *)src;
  while (count--) *d++ = *s++;
  return dest;
}
