// Reading the built updater's resources as data, without running it.
#pragma once
#include <windows.h>

#include <string>

// The bytes of a resource of build\bin\Setup.exe in Japanese (0x0411), or an
// empty text when there is none.
std::string setup_resource(LPCSTR type, LPCSTR name);
