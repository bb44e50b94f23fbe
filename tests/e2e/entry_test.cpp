// The updater's entry, started as a user starts it: the hand-over of a disc
// upgrade that does not apply to the full installer, and the single-instance
// rule; started where nobody sees it, the exit code it records.
#include <gtest/gtest.h>
#include <windows.h>

#include "../../ui/caption.h"
#include "files.h"
#include "installation.h"
#include "process.h"
#include "update_run.h"
#include "window_driver.h"

namespace {

// An update disc: the updater under `name` in `disc`, with SETUP\SETUP.EXE
// below it. Returns the updater's path.
std::string make_disc(const std::string &disc, const std::string &name = "Setup.exe") {
  make_folders(disc + "SETUP");
  copy_file(build_path("standins\\SETUP.exe"), disc + "SETUP\\SETUP.EXE");
  copy_file(build_path("bin\\Setup.exe"), disc + name);
  return disc + name;
}

// Runs the updater to its end, which it reaches on these paths without
// showing any window; returns its exit code. Started from another folder
// than its own, as from a shell: it works in its own.
DWORD run_updater(const std::string &setup, const std::string &arguments = "") {
  Program updater = start_program(setup, "\"" + setup + "\"" + arguments, "C:\\");
  DWORD start = now_ms(), code = STILL_ACTIVE;
  std::string shown;
  while ((code = wait_for_exit(updater, 10)) == STILL_ACTIVE && now_ms() - start < 30000)
    for (HWND window : top_level_windows(updater.id)) shown = "[" + window_text(window) + "]";
  EXPECT_EQ("", shown) << "a window showed";
  finish(updater);
  return code;
}

// Runs the updater, which must show one error box without an owner saying
// `text`, answers it, and expects the updater to end with 1603 (a failure),
// recording nothing: the run was seen. Then, where nobody sees it, the text is
// recorded instead, as an error.
void expect_ownerless_error_then_1603(const std::string &setup, const char *text) {
  EventCapture capture;
  Program updater = start_program(setup, "\"" + setup + "\"");
  MessageBoxView box = wait_for_message_box(updater.id, 15000);
  ASSERT_TRUE(box.found());
  EXPECT_EQ(text, box.text);
  EXPECT_EQ(UpdaterCaption, box.caption);
  EXPECT_EQ(nullptr, box.owner);
  EXPECT_EQ("error", box.icon);
  EXPECT_TRUE(box.has_buttons({IDOK}));
  press_button(box.window, IDOK);
  EXPECT_EQ(1603u, wait_for_exit(updater, 10000));
  finish(updater);
  EXPECT_EQ(std::vector<std::string>(), capture.events());

  EXPECT_EQ(1603u, run_unseen(setup, "", 10000));
  std::vector<std::string> recorded = {std::string("error: ") + text,
                                       "error: アップデート・プログラムを終了しました。終了コード: 1603"};
  EXPECT_EQ(recorded, capture.events());
}

TEST(DiscUpgrade, HandsVersion2OverToTheFullInstallerQuoted) {
  Installation installed("2.2.0.1");
  std::string disc = installed.folder() + "disc\\";
  EXPECT_EQ(0u, run_updater(make_disc(disc)));
  std::string log = wait_for_text(disc + "SETUP\\SETUP.log", "start", 10000);
  std::string folder = disc.substr(0, disc.size() - 1);  // the updater's
  EXPECT_TRUE(contains(log, "cmdline=[\"" + disc + "SETUP\\SETUP.EXE\"] cwd=[" + folder + "] show=5")) << log;
  EXPECT_FALSE(contains(installed.log(), "start")) << "the application was started";
}

TEST(DiscUpgrade, HandsOverWhenTheApplicationIsNotInstalled) {
  delete_application_key();
  std::string disc = fresh_test_folder();
  EXPECT_EQ(0u, run_updater(make_disc(disc)));
  EXPECT_TRUE(contains(wait_for_text(disc + "SETUP\\SETUP.log", "start", 10000), "start"));
}

TEST(DiscUpgrade, HandsOverWhenTheVersionRecordCannotBeRead) {
  Installation installed("unversioned");
  std::string disc = installed.folder() + "disc\\";
  EXPECT_EQ(0u, run_updater(make_disc(disc)));
  EXPECT_TRUE(contains(wait_for_text(disc + "SETUP\\SETUP.log", "start", 10000), "start"));
}

TEST(DiscUpgrade, FromAFolderWithBlanksRunsTheInstallerNotAProgramAtTheCut) {
  delete_application_key();
  std::string root = fresh_test_folder();
  std::string disc = root + "Update Disc\\";
  // Unquoted, "<root>\Update Disc\SETUP\SETUP.EXE" would start <root>\Update.exe.
  copy_file(build_path("standins\\SETUP.exe"), root + "Update.exe");
  EXPECT_EQ(0u, run_updater(make_disc(disc)));
  EXPECT_TRUE(contains(wait_for_text(disc + "SETUP\\SETUP.log", "start", 10000), "start"));
  Sleep(500);
  EXPECT_FALSE(file_exists(root + "Update.log")) << read_file(root + "Update.log");
}

TEST(DiscUpgrade, FindsTheInstallerBesideAnUpdaterWhoseNameEndsInA5CByte) {
  delete_application_key();
  std::string disc = fresh_test_folder();
  EXPECT_EQ(0u, run_updater(make_disc(disc, "更新表.exe")));
  EXPECT_TRUE(contains(wait_for_text(disc + "SETUP\\SETUP.log", "start", 10000), "start"));
}

// A full installer that cannot be started (a folder in its place, a file that
// is no program): nothing was handed over, so the user is told and the
// updater ends as failed; the application is left as it was.
TEST(DiscUpgrade, AFullInstallerThatCannotStartIsReportedAsAFailure) {
  Installation installed("2.2.0.1");
  for (bool folder : {true, false}) {
    SCOPED_TRACE(folder ? "a folder named SETUP.EXE" : "a text file named SETUP.EXE");
    std::string disc = installed.folder() + (folder ? "folder-disc\\" : "text-disc\\");
    make_folders(disc + "SETUP");
    if (folder)
      make_folders(disc + "SETUP\\SETUP.EXE");
    else
      ASSERT_TRUE(write_text_file(disc + "SETUP\\SETUP.EXE", "not a program\r\n"));
    copy_file(build_path("bin\\Setup.exe"), disc + "Setup.exe");
    expect_ownerless_error_then_1603(disc + "Setup.exe", "セットアッププログラムの起動に失敗しました。");
  }
  EXPECT_EQ("2.2.0.1", installed.version());
  EXPECT_FALSE(contains(installed.log(), "start")) << "the application was started";
}

TEST(SingleInstance, EndsAtOnceWhileAnotherInstanceHoldsTheMutex) {
  Installation installed("2.2.0.1");
  HANDLE mutex = CreateMutexA(NULL, TRUE, "CorvaneUpdate.MutexObject");
  ASSERT_NE(nullptr, mutex);
  DWORD start = now_ms();
  EXPECT_EQ(1618u, run_updater(build_path("bin\\Setup.exe"))) << "another update is running";
  EXPECT_LT(now_ms() - start, 3000u);
  EventCapture capture;
  EXPECT_EQ(1618u, run_unseen(build_path("bin\\Setup.exe"), "/Automatically", 3000));
  std::vector<std::string> recorded = {"warning: アップデート・プログラムを終了しました。終了コード: 1618"};
  EXPECT_EQ(recorded, capture.events()) << "retry later";
  ReleaseMutex(mutex);
  CloseHandle(mutex);
}

TEST(SingleInstance, ReportsAnUpdaterMutexThatCannotBeCreated) {
  Installation installed("2.2.0.1");
  // An event under the updater's mutex name makes CreateMutexA fail.
  HANDLE event = CreateEventA(NULL, TRUE, FALSE, "CorvaneUpdate.MutexObject");
  ASSERT_NE(nullptr, event);
  expect_ownerless_error_then_1603(build_path("bin\\Setup.exe"), "排他オブジェクトの作成に失敗しました。");
  CloseHandle(event);
}

}  // namespace
