// A fresh installation of the application stand-in for one test: its own
// folder, registered under the application's key, with the executable of the
// version the test asks for.
#pragma once
#include <windows.h>

#include <string>

#include "process.h"

inline const char kApplicationKey[] = "SOFTWARE\\Pellix Corporation\\Corvane";

// Removes the application's key with all its values.
void delete_application_key();

// Sets "AppPath" to `value` (a REG_SZ text), creating the key.
void set_app_path(const std::string &value);

// Writes raw bytes as "AppPath", for values that hold no terminating NUL.
void set_app_path_bytes(const std::string &bytes, DWORD type = REG_SZ);

// "AppVer", or false when it is not there.
bool read_app_ver(DWORD *value);

// The file version of an executable as "a.b.c.d", or "none".
std::string file_version(const std::string &path);

class Installation {
 public:
  // `version` names a stand-in build: "2.2.0.1", "unversioned", ...; an empty
  // one leaves the folder without "Corvane.exe".
  explicit Installation(const std::string &version, const std::string &folder_suffix = "");
  ~Installation();

  const std::string &folder() const { return folder_; }  // with trailing backslash
  std::string exe() const { return folder_ + "Corvane.exe"; }
  std::string log() const;  // what the application stand-in has logged
  std::string version() const { return file_version(exe()); }

  // Starts the application with `switches` and waits until it takes input.
  Program &start_application(const std::string &switches = "");

  // Waits until the running application has ended; true when it did.
  bool wait_application_ended(DWORD timeout_ms);

 private:
  std::string folder_;
  Program application_;
};
