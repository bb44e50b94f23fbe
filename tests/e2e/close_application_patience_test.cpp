// An application that will not close: after a minute the updater asks the
// user whether to retry or give up. Each case waits out the patience, once
// or twice, so there are few of them.
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
  EXPECT_EQ(IDRETRY, box.default_button);
  return box;
}

// The whole update: giving up ends it with nothing installed, recorded or
// started again.
TEST(CloseApplicationPatience, WithoutItsWindowHandleTheUserIsAskedAfterAMinuteAndMayGiveUp) {
  Installation installed("2.2.0.1");
  Program &application = installed.start_application("--no-handle");
  Companions companions;
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
  EXPECT_EQ(3u, companions.closed().size()) << "the companion windows are asked all the same";
  EXPECT_FALSE(file_exists(installed.folder() + "payload.log")) << "the payload ran";
  EXPECT_EQ("2.2.0.1", installed.version());
  DWORD app_ver = 0;
  EXPECT_FALSE(read_app_ver(&app_ver));
  EXPECT_EQ(1u, lines_with(installed.log(), "start cmdline").size()) << "started again";
}

TEST(CloseApplicationPatience, RetryAsksAtOnceThenAfterTheGracePeriodAndAsksTheUserAgainAMinuteLater) {
  Installation installed("2.2.0.1");
  Program &application = installed.start_application("--ignore-close");
  TargetHost host("close");

  MessageBoxView first = wait_for_question(host.pid(), host.window());
  ASSERT_TRUE(first.found());
  DWORD asked = now_ms();
  Sleep(1500);  // nothing is asked while the box is up
  DWORD retried = now_ms();
  press_button(first.window, IDRETRY);
  ASSERT_TRUE(wait_window_gone(first.window, 5000));

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
}

}  // namespace
