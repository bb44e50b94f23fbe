#include "setup_resources.h"

#include "files.h"

std::string program_resource(const std::string &path, LPCSTR type, LPCSTR name) {
  HMODULE program = LoadLibraryExA(path.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
  if (program == NULL) return "";
  std::string bytes;
  HRSRC found = FindResourceExA(program, type, name, MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT));
  if (found != NULL)
    bytes.assign(static_cast<const char *>(LockResource(LoadResource(program, found))),
                 SizeofResource(program, found));
  FreeLibrary(program);
  return bytes;
}

std::string setup_resource(LPCSTR type, LPCSTR name) {
  return program_resource(build_path("bin\\Setup.exe"), type, name);
}
