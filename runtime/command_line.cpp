#include "command_line.h"

const char *command_line_tail(const char *line) {
  const unsigned char *p = reinterpret_cast<const unsigned char *>(line);
  if (*p == '"') {
    ++p;
    while (*p != 0 && *p != '"') ++p;
    if (*p == '"') ++p;
  } else {
    while (*p > ' ') ++p;
  }
  while (*p != 0 && *p <= ' ') ++p;
  return reinterpret_cast<const char *>(p);
}
