// The command-line tail: what the entry receives of the process command line.
#pragma once

// Returns the part of `line` that follows the program name and the blanks
// after it. A quoted program name ends at the next double quote (or at the end
// of the line when none follows); an unquoted one ends at the first byte at or
// below the space. Then every byte from 0x01 to 0x20 is skipped. Bytes are
// compared as unsigned, so a Shift-JIS lead byte is never taken for a blank.
const char *command_line_tail(const char *line);
