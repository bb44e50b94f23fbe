#include "setup_resources.h"

#include "files.h"

std::string setup_resource(LPCSTR type, LPCSTR name) {
  HMODULE setup = LoadLibraryExA(build_path("bin\\Setup.exe").c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
  if (setup == NULL) return "";
  std::string bytes;
  HRSRC found = FindResourceExA(setup, type, name, MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT));
  if (found != NULL)
    bytes.assign(static_cast<const char *>(LockResource(LoadResource(setup, found))),
                 SizeofResource(setup, found));
  FreeLibrary(setup);
  return bytes;
}
