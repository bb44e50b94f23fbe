// The progress window seen from another process, as the user sees it: the
// test host opens it as the updater does and runs a few steps.
#include <gtest/gtest.h>
#include <windows.h>

#include "../../ui/caption.h"
#include "files.h"
#include "process.h"
#include "progress_driver.h"
#include "window_driver.h"

namespace {

const char kPreparing[] = "アップデートの準備を行っています。";
const char kUpdating[] = "アップデートを行っています。";
const char kFinishing[] = "アップデートを終了しています。";

TEST(ProgressWindowSeen, IsAnOwnerlessTopmostDialogWithTitleIconAndStatus) {
  Program host = start_progress_host(std::string("status=") + kPreparing + " wait=20000");
  HWND window = wait_for_progress_window(host.id, 10000);
  ASSERT_NE(nullptr, window);
  ProgressWindowView view = read_progress_window(window);
  EXPECT_EQ("#32770", view.class_name);
  EXPECT_EQ(UpdaterCaption, view.title);
  // The template's style, shown; the platform adds DS_3DLOOK to every
  // dialog, and may add WS_CLIPSIBLINGS.
  EXPECT_EQ(0x80C808C2u | WS_VISIBLE, view.style & ~static_cast<DWORD>(DS_3DLOOK | WS_CLIPSIBLINGS))
      << std::hex << view.style;
  EXPECT_NE(0u, view.ex_style & WS_EX_APPWINDOW) << std::hex << view.ex_style;
  // Windows makes a DS_SYSMODAL dialog topmost; Wine 8 does not.
  if (!running_under_wine()) {
    EXPECT_NE(0u, view.ex_style & WS_EX_TOPMOST) << std::hex << view.ex_style;
  }
  EXPECT_EQ(nullptr, view.owner);
  EXPECT_TRUE(view.visible);
  EXPECT_TRUE(view.enabled);
  EXPECT_EQ(kPreparing, view.status);
  EXPECT_EQ("", view.second_line);
  finish(host);
}

TEST(ProgressWindowSeen, ShowsTheProgramIconInItsTitleBar) {
  Program host = start_progress_host("status=x wait=20000");
  HWND window = wait_for_progress_window(host.id, 10000);
  ASSERT_NE(nullptr, window);
  Sleep(500);  // let it paint
  HMODULE resources =
      LoadLibraryExA(build_path("tests\\progress_host.exe").c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(nullptr, resources);
  // Loaded as the updater loads it (LoadIconA: the default size), then
  // drawn small as the title bar draws it.
  HICON program =
      static_cast<HICON>(LoadImageA(resources, MAKEINTRESOURCEA(106), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
  ASSERT_NE(nullptr, program);
  EXPECT_LT(title_bar_icon_mismatch(window, program), 0.1);
  // The comparison tells icons apart.
  HICON other = LoadIconA(NULL, IDI_HAND);
  EXPECT_GT(title_bar_icon_mismatch(window, other), 0.3);
  DestroyIcon(program);
  FreeLibrary(resources);
  finish(host);
}

TEST(ProgressWindowSeen, ShowsEachStatusForTheWholeWaitThatFollowsIt) {
  Program host = start_progress_host(std::string("status=") + kPreparing + " wait=1000 status=" + kUpdating +
                                     " wait=1000 status=" + kFinishing + " wait=5000");
  HWND window = wait_for_progress_window(host.id, 10000);
  ASSERT_NE(nullptr, window);
  StatusRecorder recorder(window);
  DWORD finishing = recorder.wait_for(kFinishing, 10000);
  DWORD updating = recorder.wait_for(kUpdating, 0);
  // Seen by polling every 10 ms: allow for the poll and the tick count.
  EXPECT_GE(finishing - updating, 950u);
  EXPECT_LT(finishing - updating, 1500u);
  // Every text that showed, in order, and none other; the second line too
  // stayed empty all along.
  std::vector<std::string> seen;
  for (const StatusChange &change : recorder.changes()) seen.push_back(change.text);
  if (!seen.empty() && seen.front() == kPreparing) seen.erase(seen.begin());
  EXPECT_EQ(std::vector<std::string>({kUpdating, kFinishing}), seen);
  EXPECT_EQ("", text_of_control(window, 1003));
  finish(host);
}

TEST(ProgressWindowSeen, CannotBeClosed) {
  Program host = start_progress_host(std::string("status=") + kUpdating + " wait=3000");
  HWND window = wait_for_progress_window(host.id, 10000);
  ASSERT_NE(nullptr, window);
  DWORD_PTR result;
  SendMessageTimeoutA(window, WM_CLOSE, 0, 0, SMTO_NORMAL, 2000, &result);
  choose_close(window);
  press_key(window, VK_ESCAPE);
  press_key(window, VK_RETURN);
  // A quit message posted to the thread is taken off the queue and ignored.
  PostThreadMessageA(GetWindowThreadProcessId(window, NULL), WM_QUIT, 0, 0);
  Sleep(500);
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_EQ(kUpdating, text_of_control(window, 1000));
  // The host ends when its wait is over, not before.
  EXPECT_EQ(STILL_ACTIVE, wait_for_exit(host, 1000));
  EXPECT_EQ(0u, wait_for_exit(host, 10000));
  finish(host);
}

TEST(ProgressWindowSeen, OwnsTheMessageBoxesShownWhileItExists) {
  Program host = start_progress_host("message=確認 wait=20000");
  HWND window = wait_for_progress_window(host.id, 10000);
  ASSERT_NE(nullptr, window);
  MessageBoxView box = wait_for_message_box(host.id, 10000);
  ASSERT_TRUE(box.found());
  EXPECT_EQ(window, box.owner);
  EXPECT_EQ(UpdaterCaption, box.caption);
  EXPECT_FALSE(IsWindowEnabled(window));
  press_button(box.window, IDOK);
  EXPECT_TRUE(wait_window_gone(box.window, 5000));
  finish(host);
}

// The three failures of the window's creation, each with its message box.
struct CreationFailure {
  const char *variant;
  const char *message;
  bool owned_by_hidden_window;
};

class ProgressWindowCreation : public testing::TestWithParam<CreationFailure> {};

TEST_P(ProgressWindowCreation, ReportsTheFailureAndEnds) {
  Program host = start_progress_host("status=x wait=20000", GetParam().variant);
  MessageBoxView box = wait_for_message_box(host.id, 10000);
  ASSERT_TRUE(box.found());
  EXPECT_EQ(GetParam().message, box.text);
  EXPECT_EQ(UpdaterCaption, box.caption);
  EXPECT_EQ("error", box.icon);
  EXPECT_TRUE(box.has_buttons({IDOK}));
  if (GetParam().owned_by_hidden_window) {
    // The progress window, created but not shown, without its title yet.
    ASSERT_NE(nullptr, box.owner);
    EXPECT_EQ("#32770", window_class(box.owner));
    EXPECT_NE(nullptr, GetDlgItem(box.owner, 1000));
    EXPECT_FALSE(IsWindowVisible(box.owner));
  } else {
    EXPECT_EQ(nullptr, box.owner);
  }
  press_button(box.window, IDOK);
  EXPECT_EQ(1u, wait_for_exit(host, 10000)) << "the host did not see the failure";
  finish(host);
}

INSTANTIATE_TEST_SUITE_P(
    MissingResource, ProgressWindowCreation,
    testing::Values(CreationFailure{"without_progress_dialog", "ウィンドウの作成に失敗しました。", false},
                    CreationFailure{"without_program_icon", "プログラムアイコンの読み込みに失敗しました。",
                                    true}));

}  // namespace
