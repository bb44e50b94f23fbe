// An application that will not close: after a minute the updater asks the
// user whether to retry or give up. Each case waits out the patience, once
// or twice, so there are few of them, and other waits of a minute share
// their runs.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "../../ui/caption.h"
#include "companions.h"
#include "files.h"
#include "installation.h"
#include "process.h"
#include "target_host.h"
#include "update_run.h"
#include "window_driver.h"

namespace {

const char kQuestion[] = "起動中のアプリケーションを終了できません。";
const char kClosing[] = "起動中のアプリケーションを終了しています。";
const DWORD kPatience = 60000;
// How late the question may come on a busy machine.
const DWORD kLateness = 3000;

// Waits for the question that process `pid` asks over `window` and checks
// that it is the one the user should see.
MessageBoxView wait_for_question(DWORD pid, HWND window) {
  MessageBoxView box = wait_for_message_box(pid, kPatience + kLateness);
  if (!box.found()) return box;
  EXPECT_EQ(kQuestion, box.text);
  EXPECT_EQ(UpdaterCaption, box.caption);
  EXPECT_EQ(window, box.owner);
  EXPECT_EQ("warning", box.icon);
  EXPECT_TRUE(box.has_buttons({IDRETRY, IDCANCEL}));
  // Wine's message box answers DM_GETDEFID with IDOK, a button it does not
  // have; the default button is the one styled BS_DEFPUSHBUTTON.
  LONG retry_style = GetWindowLongA(GetDlgItem(box.window, IDRETRY), GWL_STYLE);
  EXPECT_EQ(BS_DEFPUSHBUTTON, retry_style & BS_TYPEMASK) << "Retry is the default button";
  return box;
}

// The whole update: giving up ends it with nothing installed, recorded or
// started again. One companion window has stopped answering: it cannot hold
// the update, and the others are still asked.
TEST(CloseApplicationPatience, WithoutItsWindowHandleTheUserIsAskedAfterAMinuteAndMayGiveUp) {
  Installation installed("2.2.0.1");
  Program &application = installed.start_application("--no-handle");
  Companions companions("--hang");
  UpdateRun run(build_path("bin\\Setup.exe"), "/Automatically");
  ASSERT_NE(nullptr, run.progress_window());
  DWORD waiting = run.status_seen_at(kClosing, 10000);  // set as the wait begins
  ASSERT_NE(0u, waiting);
  Sleep(2000);
  EXPECT_TRUE(answers_messages(run.progress_window(), 2000)) << "the window is kept alive while waiting";

  MessageBoxView box = wait_for_question(run.pid(), run.progress_window());
  DWORD asked = now_ms();
  ASSERT_TRUE(box.found());
  DWORD waited = asked - waiting;
  std::printf("asked after %lu ms\n", waited);
  EXPECT_GT(waited, kPatience);
  EXPECT_LT(waited, kPatience + kLateness);
  EXPECT_FALSE(contains(installed.log(), "close")) << "no window to ask: " << installed.log();

  run.answer(box, IDCANCEL);
  EXPECT_EQ(1602u, run.wait_exit(10000)) << "Cancel ends the update as cancelled, without another box";
  EXPECT_EQ(STILL_ACTIVE, wait_for_exit(application, 0)) << "the application is left running";
  std::vector<std::string> answering = {"Corvane.ScheduleNotify] #1", "Chimewell - Untitled] #1"};
  EXPECT_EQ(answering, companions.closed()) << "the companion windows are asked all the same";
  EXPECT_NE(nullptr, FindWindowA(NULL, "Wakebell - Untitled")) << "the hung one is still there";
  EXPECT_FALSE(file_exists(installed.folder() + "payload.log")) << "the payload ran";
  EXPECT_EQ("2.2.0.1", installed.version());
  DWORD app_ver = 0;
  EXPECT_FALSE(read_app_ver(&app_ver));
  EXPECT_EQ(1u, lines_with(installed.log(), "start cmdline").size()) << "started again";
}

// After Retry the application stops answering altogether: the question
// still comes a minute later. The run also serves a second wait of a minute:
// meanwhile another host starts the application as after an update, and that
// copy never becomes ready for input; the start still counts, after a minute.
TEST(CloseApplicationPatience, RetryAsksAtOnceThenAfterTheGracePeriodAndAsksTheUserAgainAMinuteLater) {
  Installation installed("2.2.0.1");
  Program &application = installed.start_application("--ignore-close");
  TargetHost host("close");
  set_environment("STANDIN_APPLICATION_BUSY_MS", "90000");  // for what the launch host starts
  TargetHost launch("launch");
  set_environment("STANDIN_APPLICATION_BUSY_MS", "");

  MessageBoxView first = wait_for_question(host.pid(), host.window());
  ASSERT_TRUE(first.found());
  DWORD asked = now_ms();
  Sleep(1500);  // nothing is asked while the box is up
  DWORD retried = now_ms();
  press_button(first.window, IDRETRY);
  ASSERT_TRUE(wait_window_gone(first.window, 5000));

  // Two requests after Retry, then the application stops reading its messages.
  auto requests_after_retry = [&] {
    size_t count = 0;
    for (DWORD tick : ticks_of(installed.log(), "close ignored"))
      if (static_cast<int>(tick - retried) >= 0) ++count;
    return count;
  };
  for (int i = 0; i < 100 && requests_after_retry() < 2; ++i) Sleep(50);
  PostMessageA(FindWindowA("CorvaneStandInMain", NULL), WM_APP, 0, 0);
  ASSERT_TRUE(contains(wait_for_text(installed.folder() + "Corvane.log", "hang", 5000), "hang"));

  MessageBoxView second = wait_for_question(host.pid(), host.window());
  ASSERT_TRUE(second.found());
  DWORD asked_again = now_ms();
  std::vector<DWORD> requests = ticks_of(installed.log(), "close ignored");
  std::vector<DWORD> while_asked, after_retry;
  for (DWORD tick : requests) {
    if (tick - asked < retried - asked) while_asked.push_back(tick);
    if (tick - retried < asked_again - retried) after_retry.push_back(tick);
  }
  EXPECT_TRUE(while_asked.empty()) << while_asked.size() << " requests while the box was up";
  ASSERT_GE(after_retry.size(), 2u);
  DWORD first_delay = after_retry[0] - retried, grace = after_retry[1] - after_retry[0];
  DWORD again = asked_again - retried;
  std::printf("after Retry: request after %lu ms, next after %lu ms; asked again after %lu ms\n", first_delay,
              grace, again);
  EXPECT_LT(first_delay, 700u) << "Retry sends a request in the same pass";
  EXPECT_GT(grace, 950u) << "then the grace period counts from the box's closing";
  EXPECT_LT(grace, 2000u);
  EXPECT_GT(again, kPatience);
  EXPECT_LT(again, kPatience + kLateness);

  // The application ends while the box is up: Retry then finds it gone.
  finish(application);
  press_button(second.window, IDRETRY);
  EXPECT_EQ(HostReturnedTrue, host.wait(10000));

  EXPECT_EQ(HostReturnedTrue, launch.wait(0)) << "the start counts";
  std::vector<DWORD> busy = ticks_of(installed.log(), "busy ");
  ASSERT_EQ(2u, busy.size()) << installed.log();
  DWORD waited = launch.end_tick() - launch.begin_tick();
  std::printf("the start was given up waiting for after %lu ms\n", waited);
  EXPECT_GE(waited, kPatience);
  EXPECT_LT(waited, kPatience + kLateness);
  EXPECT_LT(launch.end_tick(), busy[1]) << "the started copy was busy all the time";
}

}  // namespace
