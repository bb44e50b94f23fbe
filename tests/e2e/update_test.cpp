// The whole update, started as a user starts it, in a fresh installation of
// the application stand-in: what the user sees (status texts, message boxes),
// what changes on disk and in the registry, and what is started afterwards.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <functional>

#include "../../ui/caption.h"
#include "companions.h"
#include "files.h"
#include "installation.h"
#include "target_host.h"
#include "update_run.h"

namespace {

const char kPreparing[] = "アップデートの準備を行っています。";
const char kPrepared[] = "アップデートの準備が完了しました。";
const char kClosing[] = "起動中のアプリケーションを終了しています。";
const char kUpdating[] = "アップデートを行っています。";
const char kUpdated[] = "アップデートが完了しました。";
const char kFinishing[] = "アップデートを終了しています。";
const char kConfirmation[] =
    "“Veltrano”のアップデートを実行してもよろしいですか？\n"
    "よろしければエンターキーを、中止する場合はエスケープキーを押してください。";
const char kCompletion[] = "“Veltrano”のアップデートが完了しました。";

std::string setup_path() { return build_path("bin\\Setup.exe"); }

// Checks a box's text, buttons, icon and owner, and the status line under
// it when `status` is given, then presses `button` (or a key: Enter takes
// OK, which must then be the default button).
void expect_box(UpdateRun &run, const std::string &text, std::vector<int> buttons, const std::string &icon,
                int button, HWND owner, const std::string &status = "") {
  MessageBoxView box = run.next_box();
  ASSERT_TRUE(box.found()) << "no message box; expected: " << text;
  if (!status.empty()) {
    EXPECT_EQ(status, text_of_control(run.progress_window(), 1000)) << text;
  }
  EXPECT_EQ(text, box.text);
  EXPECT_EQ(UpdaterCaption, box.caption);
  EXPECT_TRUE(box.has_buttons(buttons));
  EXPECT_EQ(icon, box.icon) << text;
  EXPECT_EQ(owner, box.owner) << text;
  EXPECT_TRUE(button != kEnterKey || box.default_button == IDOK) << "Enter would not press OK: " << text;
  run.answer(box, button);
}

// The updater's exit codes, as deployment tools read them.
const DWORD kCancelled = 1602, kFailed = 1603, kNotInstalled = 1605, kAnotherRunning = 1618, kTooOld = 1642;

// An error box owned by the progress window, answered with OK, and the end
// with `exit_code`.
void expect_failure(UpdateRun &run, const std::string &text, DWORD exit_code,
                    const std::string &icon = "error") {
  HWND progress = run.progress_window();
  ASSERT_NE(nullptr, progress);
  expect_box(run, text, {IDOK}, icon, IDOK, progress);
  EXPECT_EQ(exit_code, run.wait_exit());
}

// The system's temporary folder, as the updater started from here sees it.
std::string temporary_folder() {
  char path[MAX_PATH] = "";
  GetTempPathA(MAX_PATH, path);
  return path;
}

// The copies of the application folder that the updater has kept, by name.
std::vector<std::string> kept_copies() {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((temporary_folder() + "CorvaneUpdate.Backup*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do names.push_back(found.cFileName);
  while (FindNextFileA(search, &found));
  FindClose(search);
  return names;
}

// Copies kept by an earlier test that failed would be taken for this one's.
class WithoutKeptCopies : public testing::Environment {
  void SetUp() override {
    for (const std::string &name : kept_copies()) remove_tree(temporary_folder() + name);
  }
};
testing::Environment *const without_kept_copies = testing::AddGlobalTestEnvironment(new WithoutKeptCopies);

// Everything below `folder` (with its backslash) and the folder itself, one
// sorted line per entry: its path below `folder`, attributes, time of last
// change and, for a file, its size and a hash of its bytes.
std::string tree_picture(const std::string &folder, const std::string &below = "") {
  std::vector<std::string> lines;
  WIN32_FILE_ATTRIBUTE_DATA self;
  if (below.empty() && GetFileAttributesExA(folder.c_str(), GetFileExInfoStandard, &self))
    lines.push_back(". written=" + std::to_string(self.ftLastWriteTime.dwHighDateTime) + ":" +
                    std::to_string(self.ftLastWriteTime.dwLowDateTime));
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + below + "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return "";
  do {
    std::string name = below + found.cFileName;
    if (std::string(found.cFileName) == "." || std::string(found.cFileName) == "..") continue;
    std::string line = name + " attributes=" + std::to_string(found.dwFileAttributes) +
                       " written=" + std::to_string(found.ftLastWriteTime.dwHighDateTime) + ":" +
                       std::to_string(found.ftLastWriteTime.dwLowDateTime);
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      lines.push_back(line + "\n" + tree_picture(folder, name + "\\"));
    } else {
      std::string bytes = read_file(folder + name);
      lines.push_back(line + " size=" + std::to_string(bytes.size()) +
                      " hash=" + std::to_string(std::hash<std::string>()(bytes)));
    }
  } while (FindNextFileA(search, &found));
  FindClose(search);
  std::sort(lines.begin(), lines.end());
  std::string picture;
  for (const std::string &line : lines) picture += line + "\n";
  return picture;
}

// Nothing of the installation changed: same executable, no "AppVer", no
// kept copy, and the application started only the `starts` times the test
// started it.
void expect_unchanged(const Installation &installed, const std::string &version, size_t starts = 0) {
  EXPECT_EQ(version, installed.version());
  EXPECT_EQ(starts, lines_with(installed.log(), "start cmdline").size()) << "started again";
  DWORD app_ver = 0;
  EXPECT_FALSE(read_app_ver(&app_ver));
  EXPECT_FALSE(file_exists(installed.folder() + "CRVUPSUB.exe"));
  EXPECT_EQ(std::vector<std::string>(), kept_copies());
}

// The update was applied and the application started again with `word`.
void expect_updated(const Installation &installed, const std::string &word) {
  EXPECT_EQ("2.3.0.1", installed.version());
  DWORD app_ver = 0;
  EXPECT_TRUE(read_app_ver(&app_ver));
  EXPECT_EQ(0x02030001u, app_ver);
  EXPECT_FALSE(file_exists(installed.folder() + "CRVUPSUB.exe"));
  EXPECT_EQ(std::vector<std::string>(), kept_copies());
  std::string log = wait_for_text(installed.folder() + "Corvane.log", "/" + word, 5000);
  std::string folder = installed.folder().substr(0, installed.folder().size() - 1);
  EXPECT_TRUE(
      contains(log, "cmdline=[\"" + installed.exe() + "\" /" + word + "] cwd=[" + folder + "] show=5"))
      << log;
}

// Ends the application that the updater started again, and waits until it
// has gone, so that its files are free for what comes next.
void close_restarted_application(const Installation &installed) {
  HWND main = NULL;
  for (int attempt = 0; attempt < 50 && main == NULL; ++attempt) {
    main = FindWindowA("CorvaneStandInMain", NULL);
    if (main == NULL) Sleep(100);
  }
  ASSERT_NE(nullptr, main) << "the application was not running in " << installed.folder();
  DWORD pid = 0;
  GetWindowThreadProcessId(main, &pid);
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
  PostMessageA(main, WM_CLOSE, 0, 0);
  if (process != NULL) {
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process, 10000));
    CloseHandle(process);
  }
}

TEST(TypicalUpdate, RunsFromConfirmationToRestartAsTheUserSeesIt) {
  Installation installed("2.2.0.1");
  installed.start_application();
  Companions companions;
  UpdateRun run(setup_path());
  HWND progress = run.progress_window();
  ASSERT_NE(nullptr, progress);

  // Enter continues, as the confirmation says; each box comes up over the
  // status that belongs to it.
  expect_box(run, kConfirmation, {IDOK, IDCANCEL}, "question", kEnterKey, progress, kPrepared);
  expect_box(run, kCompletion, {IDOK}, "information", IDOK, progress, kUpdated);
  EXPECT_EQ(0u, run.wait_exit());

  std::vector<std::string> expected = {kPreparing, kPrepared, kClosing, kUpdating, kUpdated, kFinishing};
  EXPECT_EQ(expected, run.status_texts());
  // The fixed pauses: a second after "preparing", two around the payload.
  EXPECT_GE(run.status_seen_at(kPrepared) - run.status_seen_at(kPreparing), 950u);
  EXPECT_GE(run.status_seen_at(kUpdated) - run.status_seen_at(kUpdating), 2900u);
  EXPECT_TRUE(installed.wait_application_ended(1000));
  EXPECT_TRUE(contains(installed.log(), "close main"));
  EXPECT_EQ(3u, companions.closed().size()) << companions.log();
  std::vector<DWORD> ended = ticks_of(installed.log(), "exit ");
  ASSERT_EQ(1u, ended.size()) << installed.log();
  for (DWORD closed : ticks_of(companions.log(), "close ["))
    EXPECT_GE(closed, ended[0]) << "a companion window was asked before the application had ended";
  expect_updated(installed, "Setup");
  close_restarted_application(installed);
}

TEST(Automatically, UpdatesWithoutBoxesIgnoringAPlantedVersionDll) {
  Installation installed("2.2.0.1");
  // Started from a downloads folder beside a planted "version.dll". Wine
  // prefers its own version.dll whatever a program does: CTest runs this case
  // with native DLLs preferred (WINEDLLOVERRIDES version=n,b), so that the
  // program's folder is searched first, as on Windows.
  std::string downloads = installed.folder() + "downloads\\";
  make_folders(downloads);
  copy_file(setup_path(), downloads + "Setup.exe");
  for (std::string name : {"version.dll", "VersionProbe.exe"})
    copy_file(build_path("standins\\" + name), downloads + name);
  UpdateRun run(downloads + "Setup.exe", "/Automatically");
  ASSERT_NE(nullptr, run.progress_window());
  EXPECT_FALSE(run.next_box().found()) << "a box while the updater ran";
  EXPECT_EQ(0u, run.wait_exit());
  EXPECT_FALSE(file_exists(downloads + "version-plant.log")) << read_file(downloads + "version-plant.log");
  DWORD took = now_ms() - run.started_at();
  EXPECT_GE(took, 5900u) << "the six fixed pauses of a second";
  std::vector<std::string> texts = run.status_texts();
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(kPreparing, texts.front());
  EXPECT_EQ(kFinishing, texts.back());
  expect_updated(installed, "Setup");
  close_restarted_application(installed);

  // The plant is within reach there: a program that imports VERSION.dll uses it.
  Program probe = start_program(downloads + "VersionProbe.exe", "\"" + downloads + "VersionProbe.exe\"");
  wait_for_exit(probe, 10000);
  finish(probe);
  EXPECT_TRUE(contains(read_file(downloads + "version-plant.log"), "called GetFileVersionInfoSizeA"))
      << "the plant is out of reach: was version=n,b in WINEDLLOVERRIDES?";
}

// Where nobody sees it (a deployment tool's service): the update is applied,
// the application is not started there, and the event log says so.
TEST(Automatically, UnseenUpdatesAndLeavesTheStartToTheUser) {
  Installation installed("2.2.0.1");
  EventCapture capture;
  EXPECT_EQ(0u, run_unseen(setup_path(), "/Automatically", 30000)) << "a box waited";
  EXPECT_EQ("2.3.0.1", installed.version());
  DWORD app_ver = 0;
  EXPECT_TRUE(read_app_ver(&app_ver));
  EXPECT_EQ(0x02030001u, app_ver);
  EXPECT_FALSE(contains(installed.log(), "start")) << "the application was started where nobody sees it";
  std::vector<std::string> recorded = {
      "information: “Veltrano”のアップデートが完了しました。次回の起動時から新しいバージョンで起動します。",
      "information: アップデート・プログラムを終了しました。終了コード: 0"};
  EXPECT_EQ(recorded, capture.events());
}

TEST(Automatically, StillShowsErrorBoxes) {
  Installation installed("");
  UpdateRun run(setup_path(), "/Automatically");
  expect_failure(run, "このコンピュータには“Veltrano”がインストールされていません。", kNotInstalled);
}

TEST(Automatically, OnlyTheExactTailCounts) {
  Installation installed("2.2.0.1");
  for (std::string tail : {"/automatically", "/Automatically ", "/Automatically /x", ""}) {
    SCOPED_TRACE("tail [" + tail + "]");
    UpdateRun run(setup_path(), tail);
    HWND progress = run.progress_window();
    ASSERT_NE(nullptr, progress);
    expect_box(run, kConfirmation, {IDOK, IDCANCEL}, "question", IDCANCEL, progress);
    EXPECT_EQ(kCancelled, run.wait_exit());
  }
  expect_unchanged(installed, "2.2.0.1");
}

// Esc cancels, as the confirmation says (Cancel itself: OnlyTheExactTailCounts).
TEST(Confirmation, EscCancelsLeavingTheApplicationRunningAndTheRegistryAlone) {
  Installation installed("2.2.0.1");
  installed.start_application();
  UpdateRun run(setup_path());
  expect_box(run, kConfirmation, {IDOK, IDCANCEL}, "question", kEscapeKey, run.progress_window());
  EXPECT_EQ(kCancelled, run.wait_exit());
  EXPECT_FALSE(installed.wait_application_ended(500));
  EXPECT_FALSE(contains(installed.log(), "close"));
  expect_unchanged(installed, "2.2.0.1", 1);
  std::vector<std::string> expected = {kPreparing, kPrepared};
  EXPECT_EQ(expected, run.status_texts());
}

// Nobody can confirm where nobody sees the run: it changes nothing.
TEST(Confirmation, UnseenIsCancelledLeavingTheApplicationRunning) {
  Installation installed("2.2.0.1");
  installed.start_application();
  EventCapture capture;
  EXPECT_EQ(kCancelled, run_unseen(setup_path(), "", 15000)) << "a box waited";
  EXPECT_FALSE(installed.wait_application_ended(500));
  EXPECT_FALSE(contains(installed.log(), "close"));
  expect_unchanged(installed, "2.2.0.1", 1);
  std::vector<std::string> events = capture.events();
  ASSERT_EQ(2u, events.size());
  std::string shown = events[0].substr(0, events[0].size() - 3);  // Wine shortens it
  EXPECT_EQ("...", events[0].substr(shown.size()));
  EXPECT_EQ(0u, (std::string("information: ") + kConfirmation).find(shown)) << events[0];
  EXPECT_EQ("warning: アップデート・プログラムを終了しました。終了コード: 1602", events[1]);
}

TEST(NotApplicable, ApplicationNotInstalled) {
  Installation installed("");
  UpdateRun run(setup_path());
  expect_failure(run, "このコンピュータには“Veltrano”がインストールされていません。", kNotInstalled);
  DWORD app_ver = 0;
  EXPECT_FALSE(read_app_ver(&app_ver));
}

TEST(NotApplicable, UnseenApplicationNotInstalledEndsAtOnceAndIsRecorded) {
  Installation installed("");
  EventCapture capture;
  DWORD start = now_ms();
  EXPECT_EQ(kNotInstalled, run_unseen(setup_path(), "/Automatically", 15000)) << "a box waited";
  EXPECT_LT(now_ms() - start, 5000u) << "one pause of a second, then the end";
  std::vector<std::string> recorded = {"error: このコンピュータには“Veltrano”がインストールされていません。",
                                       "error: アップデート・プログラムを終了しました。終了コード: 1605"};
  EXPECT_EQ(recorded, capture.events());
}

TEST(NotApplicable, VersionRecordUnreadable) {
  Installation installed("unversioned");
  UpdateRun run(setup_path());
  expect_failure(run, "バージョン情報を取得できません。", kFailed);
  expect_unchanged(installed, "none");
}

TEST(NotApplicable, Version1IsTooOldForAnOrdinaryUpdate) {
  Installation installed("1.0.0.0");
  UpdateRun run(setup_path());
  expect_failure(run,
                 "このコンピュータにインストールされている“Veltrano”は、"
                 "本アップデートプログラムではバージョンアップできません。",
                 kTooOld);
  expect_unchanged(installed, "1.0.0.0");
}

TEST(NotApplicable, AlreadyTheLatestVersion) {
  for (std::string version : {"2.2.0.12290", "2.3.0.0"}) {
    SCOPED_TRACE(version);
    Installation installed(version, "-" + version);
    UpdateRun run(setup_path(), "/Automatically");
    expect_failure(run, "このコンピュータには、すでに最新バージョンの“Veltrano”がインストールされています。",
                   0, "information");
    expect_unchanged(installed, version);
  }
}

TEST(Eligible, Versions21And22Build12289AreUpdated) {
  for (std::string version : {"2.1.0.5", "2.2.0.12289"}) {
    SCOPED_TRACE(version);
    Installation installed(version, "-" + version);
    UpdateRun run(setup_path(), "/Automatically");
    EXPECT_FALSE(run.next_box().found()) << "a box while the updater ran";
    EXPECT_EQ(0u, run.wait_exit());
    expect_updated(installed, "Setup");
    close_restarted_application(installed);
  }
}

TEST(Eligible, APayloadThatInstalledButEndedWithAFailureCodeStillUpdates) {
  Installation installed("2.2.0.1");
  set_environment("STANDIN_PAYLOAD_EXIT_CODE", "1");
  UpdateRun run(setup_path(), "/Automatically");
  EXPECT_EQ(0u, run.wait_exit());
  set_environment("STANDIN_PAYLOAD_EXIT_CODE", "");
  expect_updated(installed, "Setup");
  close_restarted_application(installed);
}

TEST(DiscUpgrade, UpdatesVersion1AndStartsItWithWelcome) {
  Installation installed("1.0.0.0");
  std::string disc = installed.folder() + "disc\\";
  make_folders(disc + "SETUP");
  copy_file(build_path("standins\\SETUP.exe"), disc + "SETUP\\SETUP.EXE");
  copy_file(setup_path(), disc + "Setup.exe");
  UpdateRun run(disc + "Setup.exe", "/Automatically");
  EXPECT_EQ(0u, run.wait_exit());
  expect_updated(installed, "Welcome");
  EXPECT_FALSE(file_exists(disc + "SETUP\\SETUP.log")) << "the full installer was started";
  close_restarted_application(installed);
}

// The updater `setup` cannot write its payload: the payload step's box, then
// the update's, the payload never ran (a file it left would be deleted after
// a run: its log tells), and nothing of the installation changed.
void expect_payload_refused(const Installation &installed, const std::string &setup) {
  UpdateRun run(setup, "/Automatically");
  HWND progress = run.progress_window();
  expect_box(run, "ファイル転送モジュールの生成に失敗しました。", {IDOK}, "error", IDOK, progress);
  expect_failure(run, "アプリケーションの更新に失敗しました。", kFailed);
  EXPECT_FALSE(file_exists(installed.folder() + "payload.log"))
      << read_file(installed.folder() + "payload.log");
  expect_unchanged(installed, "2.2.0.1");
}

TEST(Failure, PayloadMissingIsReportedTwice) {
  Installation installed("2.2.0.1");
  expect_payload_refused(installed, build_path("tests\\SetupWithoutPayload.exe"));
}

// A damaged copy of the updater (a bad download) still starts; the damage is
// found before the payload is written.
TEST(Failure, AlteredPayloadBytesAreNeitherWrittenNorRun) {
  Installation installed("2.2.0.1");
  std::string image = read_file(setup_path());
  std::string payload = read_file(build_path("standins\\CRVUPSUB.exe"));
  size_t at = image.find(payload);
  ASSERT_NE(std::string::npos, at);
  image[at + payload.size() / 2] ^= 0x01;
  std::string copy = installed.folder() + "copy\\";
  make_folders(copy);
  ASSERT_TRUE(write_text_file(copy + "Setup.exe", image));
  expect_payload_refused(installed, copy + "Setup.exe");
}

// The payload's exit code says nothing; the installed file does.
TEST(Failure, APayloadThatInstalledNothingIsNoUpdate) {
  Installation installed("2.2.0.1");
  set_environment("STANDIN_PAYLOAD_INSTALL_NOTHING", "1");
  UpdateRun run(setup_path(), "/Automatically");
  // Its log lies in the application folder until the folder is put back.
  EXPECT_TRUE(
      contains(wait_for_text(installed.folder() + "payload.log", "installed=no", 30000), "installed=no"))
      << "the payload ran";
  expect_failure(run, "アプリケーションの更新に失敗しました。", kFailed);
  set_environment("STANDIN_PAYLOAD_INSTALL_NOTHING", "");
  expect_unchanged(installed, "2.2.0.1");
}

// An installation with files besides the executable: one that the failing
// payload replaces, one it deletes, one it leaves alone (read-only), in a
// folder of their own where it matters.
void add_application_files(const Installation &installed) {
  std::string folder = installed.folder();
  make_folders(folder + "help");
  ASSERT_TRUE(write_text_file(folder + "Corvane.dat", "old data"));
  ASSERT_TRUE(write_text_file(folder + "help\\Corvane.hlp", "old help"));
  ASSERT_TRUE(write_text_file(folder + "readme.txt", "old readme"));
  ASSERT_TRUE(SetFileAttributesA((folder + "readme.txt").c_str(), FILE_ATTRIBUTE_READONLY));
}

// Waits until the failing payload's work shows in the folder: the file it
// adds last, the others changed before it.
void expect_half_installed(const std::string &folder) {
  std::string added = wait_for_text(folder + "plugins\\Added.dll", "new version", 30000);
  ASSERT_TRUE(contains(added, "new version")) << "the payload changed nothing";
  EXPECT_EQ("part of the new version", read_file(folder + "Corvane.dat"));
  EXPECT_FALSE(file_exists(folder + "help\\Corvane.hlp"));
}

TEST(Failure, APayloadThatFailsHalfWayIsUndone) {
  Installation installed("2.2.0.1");
  add_application_files(installed);
  std::string before = tree_picture(installed.folder());
  set_environment("STANDIN_PAYLOAD_INSTALL_PART", "1");
  UpdateRun run(setup_path(), "/Automatically");
  expect_half_installed(installed.folder());
  expect_failure(run, "アプリケーションの更新に失敗しました。", kFailed);
  set_environment("STANDIN_PAYLOAD_INSTALL_PART", "");
  EXPECT_EQ(before, tree_picture(installed.folder()));
  expect_unchanged(installed, "2.2.0.1");
}

// The payload's file stays in use after it has ended, so the folder cannot
// be put back whole: the user is told where the kept copy is, and it stays.
TEST(Failure, AFolderThatCannotBePutBackWholeKeepsItsCopy) {
  Installation installed("2.2.0.1");
  add_application_files(installed);
  std::string before = tree_picture(installed.folder());
  set_environment("STANDIN_PAYLOAD_INSTALL_PART", "1");
  set_environment("STANDIN_PAYLOAD_HOLD_MS", "10000");
  UpdateRun run(setup_path(), "/Automatically");
  expect_half_installed(installed.folder());
  std::string kept = temporary_folder() + "CorvaneUpdate.Backup\\";
  expect_box(run,
             "一部のファイルを更新前の状態に戻せませんでした。\n"
             "更新前のファイルは次のフォルダに残してあります。\n" +
                 kept,
             {IDOK}, "error", IDOK, run.progress_window());
  expect_failure(run, "アプリケーションの更新に失敗しました。", kFailed);
  set_environment("STANDIN_PAYLOAD_INSTALL_PART", "");
  set_environment("STANDIN_PAYLOAD_HOLD_MS", "");
  EXPECT_EQ(before, tree_picture(kept));
  // All but the payload's file is back.
  std::string now = tree_picture(installed.folder());
  EXPECT_TRUE(contains(now, "CRVUPSUB.exe")) << now;
  EXPECT_TRUE(contains(now, "help\\Corvane.hlp")) << now;
  EXPECT_FALSE(contains(now, "plugins")) << now;
  remove_tree(kept);
}

// A file of the application that another program holds open cannot be
// copied: the update ends before anything is changed.
TEST(Failure, AFileThatCannotBeCopiedStopsTheUpdateBeforeItStarts) {
  Installation installed("2.2.0.1");
  add_application_files(installed);
  std::string held_path = installed.folder() + "help\\Corvane.hlp";
  std::string before = tree_picture(installed.folder());
  HANDLE held = CreateFileA(held_path.c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
  ASSERT_NE(INVALID_HANDLE_VALUE, held);
  UpdateRun run(setup_path(), "/Automatically");
  expect_box(run, "更新前のファイルを保存できないため、アップデートを中止します。\n" + held_path, {IDOK},
             "error", IDOK, run.progress_window(), kUpdating);
  EXPECT_EQ(kFailed, run.wait_exit());
  CloseHandle(held);
  EXPECT_EQ(before, tree_picture(installed.folder()));
  expect_unchanged(installed, "2.2.0.1");
}

TEST(Failure, AnApplicationMutexThatCannotBeMadeIsAFailureNotACancel) {
  Installation installed("2.2.0.1");
  // An event under the application's mutex name makes CreateMutexA fail.
  HANDLE event = CreateEventA(NULL, TRUE, FALSE, "Corvane.MutexObject");
  ASSERT_NE(nullptr, event);
  UpdateRun run(setup_path(), "/Automatically");
  expect_failure(run, "同期オブジェクトの作成に失敗しました。", kFailed);
  CloseHandle(event);
  expect_unchanged(installed, "2.2.0.1");
}

// A key that everyone may read but nobody may change.
void make_key_read_only(bool read_only) {
  HKEY key;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, kApplicationKey, 0, WRITE_DAC, &key));
  SECURITY_DESCRIPTOR descriptor;
  InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
  BYTE acl_buffer[256];
  ACL *acl = reinterpret_cast<ACL *>(acl_buffer);
  InitializeAcl(acl, sizeof acl_buffer, ACL_REVISION);
  SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
  PSID everyone = NULL;
  AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone);
  AddAccessAllowedAce(acl, ACL_REVISION, read_only ? (KEY_READ | WRITE_DAC) : KEY_ALL_ACCESS, everyone);
  SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE);
  EXPECT_EQ(ERROR_SUCCESS, RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &descriptor));
  FreeSid(everyone);
  RegCloseKey(key);
}

TEST(Failure, AppVerThatCannotBeWrittenLeavesTheApplicationStopped) {
  Installation installed("2.2.0.1");
  make_key_read_only(true);
  UpdateRun run(setup_path(), "/Automatically");
  expect_failure(run, "バージョン番号の更新に失敗しました。", kFailed);
  make_key_read_only(false);
  EXPECT_EQ("2.3.0.1", installed.version()) << "the files are replaced before the version is recorded";
  EXPECT_EQ(std::vector<std::string>(), kept_copies()) << "the copy goes once the new version is verified";
  DWORD app_ver = 0;
  EXPECT_FALSE(read_app_ver(&app_ver));
  EXPECT_FALSE(contains(installed.log(), "start")) << "the application was started again";
}

TEST(Failure, AnApplicationThatCannotBeStartedAgainIsReportedWithoutOwner) {
  Installation installed("2.2.0.1");
  set_environment("STANDIN_PAYLOAD_BREAK_APPLICATION", "1");
  UpdateRun run(setup_path(), "/Automatically");
  HWND progress = run.progress_window();
  MessageBoxView box = run.next_box();
  set_environment("STANDIN_PAYLOAD_BREAK_APPLICATION", "");
  ASSERT_NE(nullptr, progress);
  ASSERT_TRUE(box.found());
  EXPECT_EQ("“Veltrano”の起動に失敗しました。", box.text);
  EXPECT_EQ(nullptr, box.owner);
  EXPECT_EQ("error", box.icon);
  EXPECT_FALSE(IsWindow(progress)) << "the progress window is gone by then";
  run.answer(box, IDOK);
  EXPECT_EQ(0u, run.wait_exit());
  DWORD app_ver = 0;
  EXPECT_TRUE(read_app_ver(&app_ver)) << "the update itself was applied";
}

// The foreground window once it is `expected`, or after a second: a change
// made by another process reaches this one a little later under Wine.
HWND foreground_within_a_second(HWND expected) {
  HWND foreground = GetForegroundWindow();
  for (int i = 0; i < 50 && foreground != expected; ++i, foreground = GetForegroundWindow()) Sleep(20);
  return foreground;
}

TEST(SecondInstance, BringsTheFirstInstancesBoxForwardAndEnds) {
  Installation installed("2.2.0.1");
  UpdateRun first(setup_path());
  MessageBoxView box = first.next_box();
  ASSERT_TRUE(box.found());
  HWND other =
      CreateWindowExA(0, "STATIC", "other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, NULL, NULL, NULL, NULL);
  SetForegroundWindow(other);
  ASSERT_EQ(other, foreground_within_a_second(other))
      << "the box must be behind before the second instance starts";

  UpdateRun second(setup_path(), "", false);
  EXPECT_EQ(kAnotherRunning, second.wait_exit(3000));
  EXPECT_EQ(box.window, foreground_within_a_second(box.window));

  DestroyWindow(other);
  first.answer(box, IDCANCEL);
  EXPECT_EQ(kCancelled, first.wait_exit());
}

}  // namespace
