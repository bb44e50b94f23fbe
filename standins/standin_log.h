// What every stand-in shares: a log of what happened to it, appended line by
// line to a text file that tests read back.
#pragma once
#include <windows.h>

#include <cstdarg>
#include <cstdio>

// The path of this program's folder followed by `name`.
inline void path_beside_self(char *out, const char *name) {
  char self[MAX_PATH];
  DWORD length = GetModuleFileNameA(NULL, self, MAX_PATH);
  while (length > 0 && self[length - 1] != '\\') --length;
  self[length] = 0;
  snprintf(out, MAX_PATH, "%s%s", self, name);
}

// Appends one formatted line to the log file at `path`.
inline void append_log(const char *path, const char *format, ...) {
  char line[2048];
  va_list args;
  va_start(args, format);
  int length = vsnprintf(line, sizeof line - 2, format, args);
  va_end(args);
  if (length < 0) return;
  if (length > static_cast<int>(sizeof line) - 3) length = sizeof line - 3;
  line[length++] = '\r';
  line[length++] = '\n';
  // Several stand-ins may log at once: retry while another holds the file.
  for (int attempt = 0; attempt < 50; ++attempt) {
    HANDLE file =
        CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ, NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file != INVALID_HANDLE_VALUE) {
      DWORD written;
      WriteFile(file, line, length, &written, NULL);
      CloseHandle(file);
      return;
    }
    Sleep(10);
  }
}

// How the program was started, as one log line: its command line, its
// current directory and the show command it was given.
inline void log_start(const char *log, const char *what) {
  char directory[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, directory);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  GetStartupInfoA(&startup);
  int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1;
  append_log(log, "%s cmdline=[%s] cwd=[%s] show=%d", what, GetCommandLineA(), directory, show);
}
