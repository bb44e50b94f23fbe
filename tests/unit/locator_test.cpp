// The installation locator against Wine's real registry and file system.
// Each test runs in a process of its own, so every one starts with empty
// caches.
#include "../../installation/locator.h"

#include <gtest/gtest.h>

#include <string>

#include "files.h"
#include "installation.h"

namespace {

std::string text(const char *value) { return value != NULL ? value : "(null)"; }

class Locator : public testing::Test {
 protected:
  void SetUp() override { delete_application_key(); }
  void TearDown() override { delete_application_key(); }
};

TEST_F(Locator, FormsFolderExecutableAndIniPathFromAppPath) {
  set_app_path("D:\\Tools\\Planner");
  EXPECT_EQ("D:\\Tools\\Planner\\", text(application_folder()));
  EXPECT_EQ("D:\\Tools\\Planner\\Corvane.exe", text(application_exe_path()));
  EXPECT_EQ("D:\\Tools\\Planner\\Corvane.ini", text(application_ini_path()));
}

TEST_F(Locator, AppendsItsBackslashEvenWhenAppPathEndsInOne) {
  set_app_path("D:\\Tools\\Planner\\");
  EXPECT_EQ("D:\\Tools\\Planner\\\\", text(application_folder()));
  EXPECT_EQ("D:\\Tools\\Planner\\\\Corvane.exe", text(application_exe_path()));
}

TEST_F(Locator, EmptyAppPathGivesTheRootOfTheCurrentDrive) {
  set_app_path("");
  EXPECT_EQ("\\", text(application_folder()));
  EXPECT_EQ("\\Corvane.exe", text(application_exe_path()));
}

TEST_F(Locator, AcceptsAppPathOf258BytesAndRefuses259) {
  // Double-byte characters count two bytes: 予 is 0x97 0x5C.
  std::string long_text = "C:\\" + std::string(255, 'x');
  std::string too_long = "C:\\予" + std::string(254, 'x');
  ASSERT_EQ(258u, long_text.size());
  ASSERT_EQ(259u, too_long.size());

  set_app_path(too_long);
  EXPECT_EQ(nullptr, application_folder());
  set_app_path_bytes(too_long, REG_BINARY);  // 259 bytes and no NUL: no room for the backslash
  EXPECT_EQ(nullptr, application_folder());
  set_app_path(too_long + "yyyy");
  EXPECT_EQ(nullptr, application_folder());

  set_app_path(long_text);
  EXPECT_EQ(long_text + "\\", text(application_folder()));
  // The folder fits; the file paths formed from it would not, and are refused.
  EXPECT_EQ(nullptr, application_exe_path());
  EXPECT_EQ(nullptr, application_ini_path());
  EXPECT_FALSE(application_installed());
}

TEST_F(Locator, AppPathWithoutNulEndsAfterTheBytesRead) {
  set_app_path_bytes("D:\\Planner", REG_BINARY);
  EXPECT_EQ("D:\\Planner\\", text(application_folder()));
}

TEST_F(Locator, MissingKeyOrValueIsNotRememberedAsAFailure) {
  EXPECT_EQ(nullptr, application_folder());
  EXPECT_EQ(nullptr, application_exe_path());
  EXPECT_EQ(nullptr, application_ini_path());
  EXPECT_FALSE(application_installed());
  EXPECT_EQ(nullptr, application_main_window());

  set_app_path_bytes("", REG_SZ);  // the key exists; "AppPath" of no bytes at all
  RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kApplicationKey, "AppPath");
  EXPECT_EQ(nullptr, application_exe_path());

  set_app_path("D:\\Planner");
  EXPECT_EQ("D:\\Planner\\Corvane.exe", text(application_exe_path()));
}

TEST_F(Locator, KeepsItsFirstAnswerForTheLifeOfTheProcess) {
  set_app_path("D:\\First");
  const char *folder = application_folder();
  ASSERT_EQ("D:\\First\\", text(folder));
  set_app_path("D:\\Second");
  EXPECT_EQ(folder, application_folder());
  EXPECT_EQ("D:\\First\\Corvane.exe", text(application_exe_path()));
  delete_application_key();
  EXPECT_EQ("D:\\First\\", text(application_folder()));
  EXPECT_EQ("D:\\First\\Corvane.ini", text(application_ini_path()));
}

TEST_F(Locator, CountsAnyEntryNamedCorvaneExeAsInstalled) {
  std::string folder = fresh_test_folder();
  set_app_path(folder.substr(0, folder.size() - 1));
  EXPECT_FALSE(application_installed());
  ASSERT_TRUE(CreateDirectoryA((folder + "Corvane.exe").c_str(), NULL));
  EXPECT_TRUE(application_installed());
  EXPECT_TRUE(path_exists(folder.substr(0, folder.size() - 1).c_str()));  // a folder counts too
  EXPECT_FALSE(path_exists((folder + "missing.txt").c_str()));
}

// The handle in the ini file must name a live window of a process running
// the installed executable: the number outlives its window, and after a crash
// of the application may name another program's window.
TEST_F(Locator, FindsTheMainWindowOnlyWhileTheIniNamesALiveWindowOfTheApplication) {
  Installation installed("2.2.0.1");
  // The registry spells the folder in capitals and ends it in a backslash,
  // so the executable's path holds two: it still names the running image.
  std::string upper = installed.folder();
  CharUpperBuffA(&upper[0], static_cast<DWORD>(upper.size()));
  set_app_path(upper);
  ASSERT_TRUE(contains(text(application_exe_path()), "\\\\Corvane.exe"));
  std::string ini = installed.folder() + "Corvane.ini";
  EXPECT_EQ(nullptr, application_main_window());  // no ini file

  write_text_file(ini, "[Configuration]\r\nOther=1\r\n");
  EXPECT_EQ(nullptr, application_main_window());  // no key

  write_text_file(ini, "[Configuration]\r\nWindow.Handle=0\r\n");
  EXPECT_EQ(nullptr, application_main_window());

  auto name_in_ini = [&](HWND window) {
    write_text_file(ini,
                    "[Configuration]\r\nWindow.Handle=" + std::to_string(HandleToULong(window)) + "\r\n");
  };
  HWND foreign = CreateWindowExA(0, "STATIC", "main", WS_POPUP, 0, 0, 10, 10, NULL, NULL, NULL, NULL);
  ASSERT_NE(nullptr, foreign);
  name_in_ini(foreign);
  EXPECT_EQ(nullptr, application_main_window()) << "a window of this test program";
  DestroyWindow(foreign);

  // The same program run from another folder is not the installed application.
  std::string elsewhere = fresh_test_folder("-elsewhere");
  copy_file(installed.exe(), elsewhere + "Corvane.exe");
  Program copy = start_program(elsewhere + "Corvane.exe", "\"" + elsewhere + "Corvane.exe\"");
  WaitForInputIdle(copy.process, 10000);
  HWND copy_window = window_from_setting(
      GetPrivateProfileIntA("Configuration", "Window.Handle", 0, (elsewhere + "Corvane.ini").c_str()));
  EXPECT_TRUE(IsWindow(copy_window));
  name_in_ini(copy_window);
  EXPECT_EQ(nullptr, application_main_window()) << "a window of a copy in " << elsewhere;
  finish(copy);

  installed.start_application();  // writes its own handle into the ini
  HWND main = window_from_setting(GetPrivateProfileIntA("Configuration", "Window.Handle", 0, ini.c_str()));
  ASSERT_TRUE(IsWindow(main));
  EXPECT_EQ(main, application_main_window());

  PostMessageA(main, WM_CLOSE, 0, 0);
  ASSERT_TRUE(installed.wait_application_ended(10000));
  EXPECT_EQ(nullptr, application_main_window());
}

TEST_F(Locator, ReadsTheWindowNumberAsTheSystemPassesHandlesBetween32And64Bits) {
  EXPECT_EQ(INT_PTR{0x1234}, reinterpret_cast<INT_PTR>(window_from_setting(0x1234u)));
  EXPECT_EQ(INT_PTR{-0x7FFF0000}, reinterpret_cast<INT_PTR>(window_from_setting(0x80010000u)));
}

}  // namespace
