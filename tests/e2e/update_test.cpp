// The whole update, started as a user starts it, in a fresh installation of
// the application stand-in: what the user sees (status texts, message boxes),
// what changes on disk and in the registry, and what is started afterwards.
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, which it needs.
#include <sddl.h>

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

// Where the updater keeps copies of the application folder: the root of its
// volume, or ProgramData on the system's volume where the root cannot be
// protected (under Wine always, base/protected_folder.h says why).
const std::vector<std::string> kKeptPlaces = {"C:\\CorvaneUpdate.Backup\\",
                                              "C:\\ProgramData\\CorvaneUpdate.Backup\\"};

// What the updater has left there: each place that is there, and what it holds.
std::vector<std::string> kept_copies() {
  std::vector<std::string> names;
  for (const std::string &place : kKeptPlaces) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((place + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) continue;
    names.push_back(place);
    do
      if (found.cFileName[0] != '.') names.push_back(place + found.cFileName);
    while (FindNextFileA(search, &found));
    FindClose(search);
  }
  return names;
}

// The place that holds `name` ("Current", the update under way, or
// "Kept.1", a copy set aside), followed by `name` and a backslash; "" when
// neither does.
std::string kept_folder(const std::string &name = "Current") {
  for (const std::string &place : kKeptPlaces)
    if (GetFileAttributesA((place + name).c_str()) != INVALID_FILE_ATTRIBUTES) return place + name + "\\";
  return "";
}

// Copies kept by an earlier test that failed would be taken for this one's.
class WithoutKeptCopies : public testing::Environment {
  void SetUp() override {
    for (const std::string &place : kKeptPlaces) remove_tree(place);
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

// The lines of a tree picture but those that start with one of `left_out`.
std::string picture_without(const std::string &picture, const std::vector<std::string> &left_out) {
  std::string kept, line;
  for (size_t at = 0, end; at < picture.size(); at = end + 1) {
    end = picture.find('\n', at);
    line = picture.substr(at, end - at);
    if (std::none_of(left_out.begin(), left_out.end(),
                     [&](const std::string &start) { return line.compare(0, start.size(), start) == 0; }))
      if (!line.empty()) kept += line + "\n";
  }
  return kept;
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
  // Looked for while the first box is up, before the folder is put back.
  ASSERT_TRUE(run.next_box().found());
  EXPECT_FALSE(file_exists(installed.folder() + "payload.log"))
      << read_file(installed.folder() + "payload.log");
  expect_box(run, "ファイル転送モジュールの生成に失敗しました。", {IDOK}, "error", IDOK, progress);
  expect_failure(run, "アプリケーションの更新に失敗しました。", kFailed);
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

const char kRecovering[] = "前回中断されたアップデートを元に戻しています。";

// Ends the payload stand-in whose log in `folder` gives its process id, and
// waits until it has gone, as a power cut ends it with the updater.
void end_payload(const std::string &folder) {
  std::string log = read_file(folder + "payload.log");
  size_t at = log.rfind("pid=");
  ASSERT_NE(std::string::npos, at) << log;
  HANDLE payload = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, std::stoul(log.substr(at + 4)));
  ASSERT_NE(nullptr, payload);
  TerminateProcess(payload, 99);
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(payload, 10000));
  CloseHandle(payload);
}

// The updater and its payload ended while the payload had changed files,
// once before and once after it replaced Corvane.exe: the next run puts the
// folder back first, then updates it as usual.
TEST(Failure, AnUpdateEndedWhileThePayloadRanIsUndoneByTheNextRun) {
  for (std::string payload : {"STANDIN_PAYLOAD_INSTALL_PART", "STANDIN_PAYLOAD_SLEEP_AFTER_MS"}) {
    SCOPED_TRACE(payload);
    Installation installed("2.2.0.1", "-" + payload);
    add_application_files(installed);
    std::string before = tree_picture(installed.folder());
    set_environment(payload.c_str(), "1");
    set_environment("STANDIN_PAYLOAD_SLEEP_AFTER_MS", "60000");
    {
      UpdateRun run(setup_path(), "/Automatically");
      wait_for_text(installed.folder() + "payload.log", "pid=", 30000);
      run.kill();
      end_payload(installed.folder());
    }
    set_environment(payload.c_str(), "");
    set_environment("STANDIN_PAYLOAD_SLEEP_AFTER_MS", "");
    ASSERT_NE("", kept_folder()) << "no copy outlived the updater";
    UpdateRun run(setup_path(), "/Automatically");
    EXPECT_EQ(0u, run.wait_exit());
    std::vector<std::string> texts = run.status_texts();
    EXPECT_TRUE(!texts.empty() && texts.front() == kRecovering);
    expect_updated(installed, "Setup");
    // The old folder with only what the update itself changes.
    std::vector<std::string> changed = {".", "Corvane.exe ", "Corvane.ini ", "Corvane.log ", "payload.log "};
    EXPECT_EQ(picture_without(before, changed), picture_without(tree_picture(installed.folder()), changed));
    close_restarted_application(installed);
  }
}

// Ended while it copied the folder: the copy is known to be incomplete and
// goes; the folder was not touched yet, so the next run simply updates.
TEST(Failure, ACopyCutShortIsRemovedByTheNextRun) {
  Installation installed("2.2.0.1");
  make_folders(installed.folder() + "data");
  const int files = 400;
  for (int file = 0; file < files; ++file)
    ASSERT_TRUE(
        write_text_file(installed.folder() + "data\\" + std::to_string(file), std::string(4096, 'x')));
  {
    UpdateRun run(setup_path(), "/Automatically");
    // Its files, counted cheaply enough to catch the copy under way.
    auto copied = [] {
      int count = 0;
      WIN32_FIND_DATAA found;
      HANDLE search = FindFirstFileA((kept_folder() + "Files\\data\\*").c_str(), &found);
      if (search == INVALID_HANDLE_VALUE) return 0;
      while (FindNextFileA(search, &found)) ++count;  // "." and ".." less the first
      FindClose(search);
      return count - 1;
    };
    DWORD start = now_ms();
    while (copied() <= 0 && now_ms() - start < 30000) Sleep(1);
    run.kill();
    int kept = copied();
    ASSERT_GT(kept, 0);
    ASSERT_LT(kept, files) << "the copy was not cut short";
  }
  UpdateRun run(setup_path(), "/Automatically");
  EXPECT_EQ(0u, run.wait_exit());
  expect_updated(installed, "Setup");
  close_restarted_application(installed);
}

// The copy removed while the payload runs, as a cleaner would: the failed
// update then changes nothing more, and says where the copy was.
TEST(Failure, ACopyRemovedWhileThePayloadRunsLeavesTheFolderAlone) {
  Installation installed("2.2.0.1");
  add_application_files(installed);
  std::string before = tree_picture(installed.folder());
  set_environment("STANDIN_PAYLOAD_INSTALL_PART", "1");
  set_environment("STANDIN_PAYLOAD_SLEEP_MS", "1500");
  UpdateRun run(setup_path(), "/Automatically");
  wait_for_text(installed.folder() + "payload.log", "start", 30000);
  std::string kept = kept_folder();
  ASSERT_NE("", kept);
  // The copy's folder, read back: only Administrators and SYSTEM may change it.
  BYTE descriptor[1024];
  DWORD needed = 0;
  ASSERT_TRUE(GetFileSecurityA(folder_of(kept.substr(0, kept.size() - 1)).c_str(),
                               OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, descriptor,
                               sizeof descriptor, &needed));
  char *access = NULL;
  ConvertSecurityDescriptorToStringSecurityDescriptorA(
      descriptor, SDDL_REVISION_1, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &access, NULL);
  std::string expected = "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)", read = access ? access : "";
  if (read.compare(0, 9, "O:BAD:PAI") == 0) read.erase(7, 2);  // Windows marks it auto-inherited too
  if (GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != NULL) {
    // Wine keeps no access list: it answers with one made from the Unix
    // owner (its one user, an administrator) and mode, which our list set
    // to none for the others.
    HANDLE token;
    OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
    BYTE user[128];
    GetTokenInformation(token, TokenUser, user, sizeof user, &needed);
    CloseHandle(token);
    char *sid = NULL;
    ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER *>(user)->User.Sid, &sid);
    expected = std::string("O:") + sid + "D:(A;OICI;FA;;;SY)(A;OICI;FA;;;" + sid + ")";
    LocalFree(sid);
  }
  EXPECT_EQ(expected, read);
  LocalFree(access);
  remove_tree(kept + "Files\\");
  DWORD removed = now_ms();
  std::string set_aside = folder_of(kept.substr(0, kept.size() - 1)) + "Kept.1\\Files\\";
  expect_box(run,
             "保存した更新前のファイルが見つからないか壊れているため、元に戻せませんでした。\n"
             "アプリケーションのフォルダは変更していません。保存先:\n" +
                 set_aside,
             {IDOK}, "error", IDOK, run.progress_window());
  expect_failure(run, "アプリケーションの更新に失敗しました。", kFailed);
  set_environment("STANDIN_PAYLOAD_INSTALL_PART", "");
  set_environment("STANDIN_PAYLOAD_SLEEP_MS", "");
  std::vector<DWORD> installed_at = ticks_of(read_file(installed.folder() + "payload.log"), "installed=");
  ASSERT_EQ(1u, installed_at.size());
  EXPECT_GT(installed_at[0], removed) << "the payload had ended before the copy was removed";
  // The files the payload left alone are all there as they were.
  std::vector<std::string> payload_changed = {".", "Corvane.dat ", "help", "plugins", "payload.log"};
  EXPECT_EQ(picture_without(before, payload_changed),
            picture_without(tree_picture(installed.folder()), payload_changed));
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
  ASSERT_TRUE(run.next_box().found());
  std::string kept = kept_folder("Kept.1") + "Files\\";  // set aside for the user
  expect_box(run,
             "一部のファイルを更新前の状態に戻せませんでした。\n"
             "更新前のファイルは次のフォルダに残してあります。\n" +
                 kept,
             {IDOK}, "error", IDOK, run.progress_window());
  expect_failure(run, "アプリケーションの更新に失敗しました。", kFailed);
  set_environment("STANDIN_PAYLOAD_INSTALL_PART", "");
  set_environment("STANDIN_PAYLOAD_HOLD_MS", "");
  EXPECT_EQ(before, tree_picture(kept));
  // All but the payload's file is back, bytes and times included.
  std::string now = tree_picture(installed.folder());
  EXPECT_TRUE(contains(now, "CRVUPSUB.exe")) << now;
  EXPECT_EQ(picture_without(before, {"."}), picture_without(now, {".", "CRVUPSUB.exe"}));
  EXPECT_EQ("", kept_folder()) << "a copy set aside is not the next run's to put back";
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
  // Undone like a failed payload: until "AppVer" is written, nothing is done.
  expect_unchanged(installed, "2.2.0.1");
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
