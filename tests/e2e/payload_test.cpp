// Installing the payload into the application folder, as the user sees it:
// the payload program run hidden against the folder and removed afterwards,
// whatever it ends with; a left-over or busy payload file; and the failures
// to write or start it, each with its message (a file that could not be
// started is removed as well).
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "../../ui/caption.h"
#include "files.h"
#include "installation.h"
#include "process.h"
#include "progress_driver.h"
#include "target_host.h"
#include "window_driver.h"

namespace {

const char kWriteFailed[] = "ファイル転送モジュールの生成に失敗しました。";
const char kStartFailed[] = "ファイル転送モジュールの起動に失敗しました。";

// The pauses after the payload program has ended and after its deletion.
const DWORD kPauses = 2 * 1000;

class Payload : public testing::Test {
 protected:
  void TearDown() override {
    SetEnvironmentVariableA("STANDIN_PAYLOAD_SLEEP_MS", NULL);
    SetEnvironmentVariableA("STANDIN_PAYLOAD_EXIT_CODE", NULL);
    SetEnvironmentVariableA("STANDIN_PAYLOAD_HOLD_MS", NULL);
    SetEnvironmentVariableA("STANDIN_PAYLOAD_NEVER_IDLE", NULL);
  }
  // The payload program inherits the host's environment, the host ours.
  static void payload_option(const char *name, const char *value) { SetEnvironmentVariableA(name, value); }
};

// The names of the entries of `folder`, separated by blanks.
std::string names_in(const std::string &folder) {
  std::string names;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    std::string name = found.cFileName;
    if (name != "." && name != "..") names += (names.empty() ? "" : " ") + name;
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return names;
}

std::string payload_bytes() { return read_file(build_path("standins\\CRVUPSUB.exe")); }

TEST_F(Payload, RunsHiddenInTheApplicationFolderAndIsDeletedAfterwards) {
  // A folder with a blank and a double-byte character whose second byte is a
  // backslash (表 is 0x95 0x5C).
  Installation installed("2.2.0.1", " 予定表");
  std::string folder = installed.folder();
  // The payload runs well past the time the window is given to answer, so an
  // answer that only comes in the pauses after it cannot pass.
  payload_option("STANDIN_PAYLOAD_SLEEP_MS", "4000");
  TargetHost host("install");

  std::string log = wait_for_text(folder + "payload.log", "start", 15000);
  ASSERT_TRUE(contains(log, "start")) << "the payload program did not start";
  EXPECT_TRUE(payload_bytes() == read_file(folder + "CRVUPSUB.exe")) << "written byte for byte";
  EXPECT_TRUE(answers_messages(host.window(), 2000)) << "the window is kept alive while the payload runs";
  DWORD answered = now_ms();

  EXPECT_EQ(HostReturnedTrue, host.wait(20000));
  log = read_file(folder + "payload.log");
  ASSERT_TRUE(contains(log, "installed=")) << log;
  EXPECT_GT(static_cast<int>(ticks_of(log, "installed=")[0] - answered), 0)
      << "the window answered only after the payload program had ended";
  EXPECT_TRUE(contains(log, "cmdline=[\"" + folder + "CRVUPSUB.exe\" -n \"" + folder + "\"]")) << log;
  EXPECT_TRUE(contains(log, "cwd=[" + folder.substr(0, folder.size() - 1) + "]")) << log;
  EXPECT_TRUE(contains(log, "show=0")) << log;
  EXPECT_TRUE(contains(log, "installed=yes folder=[" + folder + "]")) << log;
  EXPECT_TRUE(read_file(build_path("standins\\Corvane-2.3.0.1.exe")) == read_file(installed.exe()))
      << "the payload program put the new application in place";
  EXPECT_FALSE(file_exists(folder + "CRVUPSUB.exe"));
  DWORD after_end = host.end_tick() - ticks_of(log, "installed=")[0];
  std::printf("returned %lu ms after the payload program ended\n", after_end);
  EXPECT_GE(after_end, kPauses);
  EXPECT_LT(after_end, kPauses + 3000);
}

// A payload that never reads a message queue is never ready for input: the
// wait for that must not freeze the window either. The About command is
// posted, as the user's input is (a sent message would be served by the wait
// itself under Wine).
TEST_F(Payload, APayloadNeverReadyForInputLeavesTheWindowWorkingWhileItRuns) {
  Installation installed("2.2.0.1");
  payload_option("STANDIN_PAYLOAD_NEVER_IDLE", "1");
  payload_option("STANDIN_PAYLOAD_SLEEP_MS", "4000");
  TargetHost host("install");
  ASSERT_TRUE(contains(wait_for_text(installed.folder() + "payload.log", "start", 15000), "start"));
  PostMessageA(host.window(), WM_SYSCOMMAND, 16, 0);
  HWND about = wait_for_about_box(host.pid(), 2000);
  DWORD opened = now_ms();
  ASSERT_NE(nullptr, about) << "the window did not take the command while the payload ran";
  std::string log = wait_for_text(installed.folder() + "payload.log", "installed=", 10000);
  ASSERT_TRUE(contains(log, "installed=yes")) << log;
  EXPECT_GT(static_cast<int>(ticks_of(log, "installed=")[0] - opened), 0)
      << "the box opened only after the payload program had ended";
  press_button(about, IDOK);
  EXPECT_EQ(HostReturnedTrue, host.wait(10000));
  EXPECT_FALSE(file_exists(installed.folder() + "CRVUPSUB.exe"));
}

TEST_F(Payload, APayloadThatEndsAtOnceWithAFailureCodeStillCountsAsRun) {
  Installation installed("2.2.0.1");
  payload_option("STANDIN_PAYLOAD_EXIT_CODE", "7");
  TargetHost host("install");
  EXPECT_EQ(HostReturnedTrue, host.wait(20000));
  std::string log = read_file(installed.folder() + "payload.log");
  ASSERT_TRUE(contains(log, "installed=")) << log;
  EXPECT_GE(host.end_tick() - ticks_of(log, "installed=")[0], kPauses) << "both pauses still follow";
  EXPECT_FALSE(file_exists(installed.folder() + "CRVUPSUB.exe"));
}

TEST_F(Payload, AnAboutBoxOpenedMeanwhileHoldsTheStepUntilItIsClosed) {
  Installation installed("2.2.0.1");
  payload_option("STANDIN_PAYLOAD_SLEEP_MS", "3000");
  TargetHost host("install");
  ASSERT_NE(nullptr, host.window());
  ASSERT_TRUE(contains(wait_for_text(installed.folder() + "payload.log", "start", 15000), "start"));
  choose_system_command(host.window(), 16);
  HWND about = wait_for_about_box(host.pid(), 5000);
  ASSERT_NE(nullptr, about);
  DWORD opened = now_ms();

  // The payload program ends; the pauses would be over long since.
  std::string log = wait_for_text(installed.folder() + "payload.log", "installed=", 10000);
  ASSERT_TRUE(contains(log, "installed="));
  EXPECT_GT(static_cast<int>(ticks_of(log, "installed=")[0] - opened), 0)
      << "the box opened only after the payload program had ended";
  Sleep(kPauses + 1000);
  EXPECT_EQ(STILL_ACTIVE, host.wait(0));
  EXPECT_TRUE(file_exists(installed.folder() + "CRVUPSUB.exe")) << "not deleted while the box is open";

  DWORD closed = now_ms();
  press_button(about, IDOK);
  EXPECT_EQ(HostReturnedTrue, host.wait(10000));
  EXPECT_GE(host.end_tick() - closed, kPauses - 100) << "both pauses follow the box";
  EXPECT_FALSE(file_exists(installed.folder() + "CRVUPSUB.exe"));
}

TEST_F(Payload, ALeftOverPayloadFileIsReplacedWhole) {
  Installation installed("2.2.0.1");
  std::string payload_file = installed.folder() + "CRVUPSUB.exe";
  // Longer than the payload: a file that was not truncated would keep a tail.
  ASSERT_TRUE(write_text_file(payload_file, std::string(payload_bytes().size() + 65536, 'x')));
  payload_option("STANDIN_PAYLOAD_SLEEP_MS", "1000");
  TargetHost host("install");
  ASSERT_TRUE(contains(wait_for_text(installed.folder() + "payload.log", "start", 15000), "start"));
  EXPECT_TRUE(payload_bytes() == read_file(payload_file));
  EXPECT_EQ(HostReturnedTrue, host.wait(20000));
  EXPECT_FALSE(file_exists(payload_file));
}

TEST_F(Payload, APayloadFileStillInUseIsLeftBehind) {
  Installation installed("2.2.0.1");
  payload_option("STANDIN_PAYLOAD_HOLD_MS", "6000");
  TargetHost host("install");
  EXPECT_EQ(HostReturnedTrue, host.wait(20000));
  EXPECT_TRUE(file_exists(installed.folder() + "CRVUPSUB.exe"));
}

TEST_F(Payload, TheLongestFolderForThePayloadPathStillWorks) {
  // The folder, with its backslash, followed by "CRVUPSUB.exe" fills 259 bytes.
  std::string base = fresh_test_folder();
  Installation installed("2.2.0.1", "\\" + std::string(246 - base.size(), 'd'));
  ASSERT_EQ(247u, installed.folder().size());
  TargetHost host("install");
  EXPECT_EQ(HostReturnedTrue, host.wait(20000));
  EXPECT_TRUE(contains(read_file(installed.folder() + "payload.log"), "start"));
  EXPECT_FALSE(file_exists(installed.folder() + "CRVUPSUB.exe"));
}

// A failure to write or start the payload program: its message, owned by the
// window, and false once it is answered.
void expect_failure(TargetHost &host, const std::string &text) {
  MessageBoxView box = wait_for_message_box(host.pid(), 15000);
  ASSERT_TRUE(box.found());
  EXPECT_EQ(text, box.text);
  EXPECT_EQ(UpdaterCaption, box.caption);
  EXPECT_EQ(host.window(), box.owner);
  EXPECT_EQ("error", box.icon);
  EXPECT_TRUE(box.has_buttons({IDOK}));
  press_button(box.window, IDOK);
  EXPECT_EQ(HostReturnedFalse, host.wait(10000)) << "no further box";
}

TEST_F(Payload, WithoutThePayloadInTheUpdaterNothingIsWritten) {
  Installation installed("2.2.0.1");
  TargetHost host("install", "target_host_without_payload.exe");
  expect_failure(host, kWriteFailed);
  EXPECT_FALSE(file_exists(installed.folder() + "CRVUPSUB.exe"));
}

TEST_F(Payload, AFolderInThePlaceOfThePayloadFileIsAFailedWrite) {
  Installation installed("2.2.0.1");
  std::string in_the_way = installed.folder() + "CRVUPSUB.exe";
  ASSERT_TRUE(CreateDirectoryA(in_the_way.c_str(), NULL));
  TargetHost host("install");
  expect_failure(host, kWriteFailed);
  EXPECT_TRUE(GetFileAttributesA(in_the_way.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_FALSE(file_exists(installed.folder() + "payload.log"));
}

TEST_F(Payload, AFolderTooLongForThePayloadPathIsAFailedWrite) {
  // One byte more than fits: the payload path would need 261 bytes.
  std::string base = fresh_test_folder();
  Installation installed("2.2.0.1", "\\" + std::string(247 - base.size(), 'd'));
  ASSERT_EQ(248u, installed.folder().size());
  TargetHost host("install");
  expect_failure(host, kWriteFailed);
  EXPECT_EQ("Corvane.exe", names_in(installed.folder())) << "nothing written, under any name";
}

TEST_F(Payload, WithoutAnApplicationFolderNothingIsWritten) {
  // The update sequence finds the folder first; should it be gone, the
  // payload path cannot be formed and nothing is written anywhere.
  delete_application_key();
  std::string here = build_path("tests\\");  // the host's current folder
  std::string before = names_in(here);
  TargetHost host("install");
  expect_failure(host, kWriteFailed);
  EXPECT_EQ(before, names_in(here));
}

TEST_F(Payload, APayloadThatCannotBeStartedIsReportedAndRemoved) {
  Installation installed("2.2.0.1");
  TargetHost host("install", "target_host_broken_payload.exe");
  expect_failure(host, kStartFailed);
  EXPECT_EQ("Corvane.exe", names_in(installed.folder())) << "the file that could not be started stays";
}

}  // namespace
