// Reading a built program's resources as data, without running it.
#pragma once
#include <windows.h>

#include <string>

// The bytes of a Japanese (0x0411) resource of the program at `path`, or an
// empty text when it has none.
std::string program_resource(const std::string &path, LPCSTR type, LPCSTR name);

// The same for build\bin\Setup.exe.
std::string setup_resource(LPCSTR type, LPCSTR name);
