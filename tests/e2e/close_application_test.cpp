// Closing the running application before an update, as the user sees it: an
// application that is not running, one that closes when asked (at once, after
// some requests, through an open dialog, after asking its user, without
// releasing its mutex), a mutex name taken by another kind of object, and the
// companion windows; and starting it again after the update. The waits that
// last out the one-minute patience are in close_application_patience_test.cpp.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "../../ui/caption.h"
#include "companions.h"
#include "files.h"
#include "installation.h"
#include "process.h"
#include "progress_driver.h"
#include "target_host.h"
#include "update_run.h"
#include "window_driver.h"

namespace {

const char kClosingStatus[] = "起動中のアプリケーションを終了しています。";

const std::vector<std::string> kAllCompanionsInOrder = {
    "Corvane.ScheduleNotify] #1", "Wakebell - Untitled] #1", "Chimewell - Untitled] #1"};

TEST(CloseApplication, NotRunningAsksOnlyTheCompanionWindowsToClose) {
  Installation installed("2.2.0.1");
  Companions companions;
  TargetHost host("close");
  EXPECT_EQ(HostReturnedTrue, host.wait(10000));
  EXPECT_EQ("", host.final_status()) << "no status text when there is nothing to wait for";
  EXPECT_LT(host.end_tick() - host.begin_tick(), 1000u) << "no wait for a grace period";
  EXPECT_EQ(kAllCompanionsInOrder, companions.closed());
}

TEST(CloseApplication, AsksTheMainWindowAfterTheGracePeriodAndEndsWhenItHasClosed) {
  Installation installed("2.2.0.1");
  Program &application = installed.start_application();
  Companions companions;
  TargetHost host("close");

  // The status line is set in the first pass, before any request.
  ASSERT_NE(nullptr, host.window());
  std::string status;
  while (status.empty() && host.wait(20) == STILL_ACTIVE) status = host.status();
  DWORD status_seen = now_ms();

  EXPECT_EQ(HostReturnedTrue, host.wait(15000));
  EXPECT_EQ(kClosingStatus, status);
  EXPECT_EQ(kClosingStatus, host.final_status()) << "the text stays until the caller sets another";
  std::vector<DWORD> requests = ticks_of(installed.log(), "close ");
  ASSERT_EQ(1u, requests.size()) << installed.log();
  EXPECT_TRUE(contains(installed.log(), "close main"));
  EXPECT_LT(status_seen, requests[0]);
  DWORD delay = requests[0] - host.begin_tick();
  EXPECT_GT(delay, 1000u);
  EXPECT_LT(delay, 2000u);
  EXPECT_NE(STILL_ACTIVE, wait_for_exit(application, 5000));
  EXPECT_EQ(kAllCompanionsInOrder, companions.closed());
}

TEST(CloseApplication, RepeatsTheRequestEveryPassUntilTheApplicationEnds) {
  Installation installed("2.2.0.1");
  installed.start_application("--ignore-close=9");
  TargetHost host("close");
  EXPECT_EQ(HostReturnedTrue, host.wait(20000));

  std::vector<DWORD> requests = ticks_of(installed.log(), "close ");
  ASSERT_EQ(10u, requests.size()) << installed.log();
  EXPECT_GT(requests.front() - host.begin_tick(), 1000u);
  for (size_t i = 1; i < requests.size(); ++i) {
    // Sleep(100) per pass; the tick is read in another process, a little
    // earlier or later than the send.
    EXPECT_GE(requests[i] - requests[i - 1], 80u) << "request " << i;
  }
  DWORD average = (requests.back() - requests.front()) / (requests.size() - 1);
  EXPECT_LT(average, 300u);
  std::printf("first request after %lu ms, then every %lu ms on average\n",
              requests.front() - host.begin_tick(), average);
  EXPECT_LT(host.end_tick() - requests.back(), 1000u) << "the end is noticed at the next poll";
}

TEST(CloseApplication, ClosesTheApplicationsOpenDialogFirst) {
  Installation installed("2.2.0.1");
  installed.start_application("--popup");
  TargetHost host("close");
  EXPECT_EQ(HostReturnedTrue, host.wait(15000));
  std::vector<std::string> requests = lines_with(installed.log(), "close ");
  ASSERT_EQ(2u, requests.size()) << installed.log();
  EXPECT_TRUE(contains(requests[0], "close popup"));
  EXPECT_TRUE(contains(requests[1], "close main"));
  EXPECT_GT(ticks_of(installed.log(), "close popup")[0] - host.begin_tick(), 1000u);
}

TEST(CloseApplication, AnApplicationThatEndsWithoutReleasingItsMutexHasEnded) {
  Installation installed("2.2.0.1");
  installed.start_application("--abandon-mutex");
  TargetHost host("close");
  EXPECT_EQ(HostReturnedTrue, host.wait(15000));
  std::vector<DWORD> requests = ticks_of(installed.log(), "close main");
  ASSERT_EQ(1u, requests.size()) << installed.log();
  EXPECT_LT(host.end_tick() - requests[0], 2000u);
}

TEST(CloseApplication, AMutexNameTakenByAnotherObjectIsReportedAndNothingIsAskedToClose) {
  Installation installed("2.2.0.1");
  // An event under the application's mutex name makes CreateMutexA fail.
  HANDLE event = CreateEventA(NULL, TRUE, FALSE, "Corvane.MutexObject");
  ASSERT_NE(nullptr, event);
  installed.start_application();  // runs all the same, without its mutex
  Companions companions;
  TargetHost host("close");

  MessageBoxView box = wait_for_message_box(host.pid(), 10000);
  ASSERT_TRUE(box.found());
  EXPECT_EQ("同期オブジェクトの作成に失敗しました。", box.text);
  EXPECT_EQ(UpdaterCaption, box.caption);
  EXPECT_EQ(host.window(), box.owner);
  EXPECT_EQ("error", box.icon);
  EXPECT_TRUE(box.has_buttons({IDOK}));
  press_button(box.window, IDOK);
  // A second box would keep the host from ending. A failure, not the user's
  // choice: the updater ends with another code for each.
  EXPECT_EQ(HostFoundNoMutex, host.wait(10000));
  EXPECT_EQ("", host.final_status());
  Sleep(200);
  EXPECT_FALSE(contains(installed.log(), "close")) << installed.log();
  EXPECT_TRUE(companions.closed().empty()) << companions.log();
  CloseHandle(event);
}

TEST(CloseApplication, OfTwoCompanionWindowsWithOneTitleOnlyOneIsAsked) {
  Installation installed("2.2.0.1");
  Companions companions("--twice");
  TargetHost host("close");
  EXPECT_EQ(HostReturnedTrue, host.wait(10000));
  std::vector<std::string> closed = companions.closed();
  EXPECT_EQ(3u, closed.size()) << companions.log();
  EXPECT_EQ(1, std::count_if(closed.begin(), closed.end(), [](const std::string &title) {
              return contains(title, "Corvane.ScheduleNotify");
            }));
  // Which of the two is found first depends on their stacking, which Wine
  // may change as windows come and go; that the other stays open is what
  // the user sees.
  EXPECT_NE(nullptr, FindWindowA(NULL, "Corvane.ScheduleNotify")) << "the other one stays open";
}

// As its users run it: the application asks its user "save your changes?"
// before it closes, and a virus scanner holds the new executable for a
// moment when it is started again. The question is not hung (it reads its
// messages): the request waits for its answer, the progress window is served
// meanwhile and no request dismisses the question; the start refused while
// the executable is held is attempted again.
TEST(CloseApplication, AnApplicationThatAsksFirstGetsItsAnswerAndARefusedRestartIsAttemptedAgain) {
  Installation installed("2.2.0.1");
  installed.start_application("--ask-on-close=4000");
  UpdateRun run(build_path("bin\\Setup.exe"));
  ASSERT_NE(nullptr, run.progress_window());
  run.answer(run.next_box(), IDOK);  // the confirmation
  ASSERT_TRUE(contains(wait_for_text(installed.folder() + "Corvane.log", "question asked", 10000), "asked"));
  PostMessageA(run.progress_window(), WM_SYSCOMMAND, 16, 0);  // served only by a wait that pumps
  HWND about = wait_for_about_box(run.pid(), 2000);
  DWORD opened = now_ms();
  ASSERT_NE(nullptr, about) << "the progress window was not served while the question was up";
  press_button(about, IDOK);

  MessageBoxView completion = run.next_box();  // the new version is in place
  ASSERT_TRUE(completion.found());
  std::string log = installed.log();
  std::vector<DWORD> answered = ticks_of(log, "question answered");
  ASSERT_EQ(1u, answered.size()) << log;
  EXPECT_GT(static_cast<int>(answered[0] - opened), 0) << "the About box came only after the answer";
  EXPECT_EQ(1u, lines_with(log, "close main").size()) << log;
  EXPECT_TRUE(lines_with(log, "close question").empty()) << log;
  EXPECT_GE(run.status_seen_at("アップデートを行っています。"), answered[0]) << "the update went on after it";

  HANDLE held = CreateFileA(installed.exe().c_str(), GENERIC_READ, FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                            OPEN_EXISTING, 0, NULL);
  ASSERT_NE(INVALID_HANDLE_VALUE, held);
  run.answer(completion, IDOK);
  EXPECT_TRUE(wait_window_gone(run.progress_window(), 10000));
  Sleep(600);  // the first attempts come and fail meanwhile
  bool started_while_held = contains(installed.log(), "/Setup");
  CloseHandle(held);
  EXPECT_FALSE(started_while_held) << installed.log();
  EXPECT_EQ(0u, run.wait_exit(10000)) << "a box saying that the start failed holds the updater";
  log = wait_for_text(installed.folder() + "Corvane.log", "/Setup", 5000);
  EXPECT_TRUE(contains(log, "cmdline=[\"" + installed.exe() + "\" /Setup]")) << log;
  // Its mutex would hold the next test's closing.
  PostMessageA(FindWindowA("CorvaneStandInMain", NULL), WM_CLOSE, 0, 0);
  EXPECT_TRUE(contains(wait_for_text(installed.folder() + "Corvane.log", "exit ", 10000), "exit "));
}

}  // namespace
