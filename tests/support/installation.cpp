#include "installation.h"

#include <gtest/gtest.h>

#include "files.h"

void delete_application_key() { RegDeleteTreeA(HKEY_LOCAL_MACHINE, kApplicationKey); }

void set_app_path_bytes(const std::string &bytes, DWORD type) {
  HKEY key;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, kApplicationKey, 0, NULL, 0, KEY_ALL_ACCESS,
                                           NULL, &key, NULL));
  EXPECT_EQ(ERROR_SUCCESS,
            RegSetValueExA(key, "AppPath", 0, type, reinterpret_cast<const BYTE *>(bytes.data()),
                           static_cast<DWORD>(bytes.size())));
  RegCloseKey(key);
}

void set_app_path(const std::string &value) {
  set_app_path_bytes(std::string(value.c_str(), value.size() + 1));
}

bool read_app_ver(DWORD *value) {
  DWORD size = sizeof *value, type = 0;
  return RegGetValueA(HKEY_LOCAL_MACHINE, kApplicationKey, "AppVer", RRF_RT_ANY, &type, value, &size) ==
             ERROR_SUCCESS &&
         type == REG_DWORD;
}

std::string file_version(const std::string &path) {
  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
  if (size == 0) return "none";
  std::string block(size, '\0');
  VS_FIXEDFILEINFO *fixed = NULL;
  UINT length = 0;
  if (!GetFileVersionInfoA(path.c_str(), 0, size, &block[0]) ||
      !VerQueryValueA(block.data(), "\\", reinterpret_cast<void **>(&fixed), &length))
    return "none";
  return std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
         std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
         std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." +
         std::to_string(LOWORD(fixed->dwFileVersionLS));
}

Installation::Installation(const std::string &version, const std::string &folder_suffix) {
  folder_ = fresh_test_folder(folder_suffix);
  delete_application_key();
  set_app_path(folder_.substr(0, folder_.size() - 1));
  if (!version.empty()) copy_file(build_path("standins\\Corvane-" + version + ".exe"), exe());
}

Installation::~Installation() { finish(application_); }

std::string Installation::log() const { return read_file(folder_ + "Corvane.log"); }

Program &Installation::start_application(const std::string &switches) {
  application_ = start_program(exe(), "\"" + exe() + "\" " + switches, folder_);
  if (application_.process != NULL) WaitForInputIdle(application_.process, 10000);
  return application_;
}

bool Installation::wait_application_ended(DWORD timeout_ms) {
  return wait_for_exit(application_, timeout_ms) != STILL_ACTIVE;
}
