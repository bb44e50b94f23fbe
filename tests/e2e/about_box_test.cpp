// The About box, opened from the progress window of the test host as the
// user opens it: the system menu's entry and F1.
#include <gtest/gtest.h>
#include <windows.h>

#include "../../ui/caption.h"
#include "files.h"
#include "process.h"
#include "progress_driver.h"
#include "setup_resources.h"
#include "target_host.h"
#include "window_driver.h"

namespace {

const WPARAM kAboutCommand = 16;

class AboutBox : public testing::Test {
 protected:
  // A host that keeps its progress window up for the whole test.
  void open_host(const std::string &steps = "status=待機中 wait=60000", const std::string &variant = "") {
    host_ = start_progress_host(steps, variant);
    progress_ = wait_for_progress_window(host_.id, 10000);
    ASSERT_NE(nullptr, progress_);
  }
  void TearDown() override { finish(host_); }

  HWND open_from_menu(WPARAM command = kAboutCommand) {
    choose_system_command(progress_, command);
    return wait_for_about_box(host_.id, 5000);
  }

  Program host_;
  HWND progress_ = NULL;
};

TEST_F(AboutBox, FromTheMenuShowsCaptionCopyrightAndTheWholeGuide) {
  open_host();
  HWND box = open_from_menu();
  ASSERT_NE(nullptr, box);
  AboutBoxView view = read_about_box(box);
  EXPECT_EQ("バージョン情報", view.title);
  EXPECT_EQ(progress_, view.owner);
  EXPECT_EQ(UpdaterCaption, view.caption);
  EXPECT_TRUE(contains(view.copyright, "Copyright")) << view.copyright;
  EXPECT_EQ(IDOK, view.focus_id);
  EXPECT_EQ("閉じる(&C)", text_of_control(box, IDOK));
  // The guide ends exactly at the resource's last byte, a CR LF: so the
  // control's last line is empty.
  std::string guide = program_resource(build_path("tests\\progress_host.exe"), "BINARY", "#111");
  ASSERT_EQ(6671u, guide.size());
  EXPECT_TRUE(view.guide == guide) << "shown " << view.guide.size() << " bytes";
  // 166 lines and the empty one after the last CR LF: none of them is wider
  // than the box, which would wrap it.
  EXPECT_EQ(167, view.guide_lines);
  EXPECT_EQ("", view.last_guide_line);
  // The box is modal over the progress window.
  EXPECT_FALSE(IsWindowEnabled(progress_));
  press_button(box, IDOK);
  EXPECT_TRUE(wait_window_gone(box, 5000));
  EXPECT_TRUE(IsWindowEnabled(progress_));
}

TEST_F(AboutBox, OpensForEveryCommandThatDiffersOnlyInTheLowFourBits) {
  open_host();
  for (WPARAM command : {16u, 17u, 24u, 31u}) {
    HWND box = open_from_menu(command);
    ASSERT_NE(nullptr, box) << command;
    press_button(box, IDOK);
    EXPECT_TRUE(wait_window_gone(box, 5000)) << command;
  }
  for (WPARAM command : {0u, 15u, 32u, 0x1010u}) {
    choose_system_command(progress_, command);
    EXPECT_EQ(nullptr, wait_for_about_box(host_.id, 300)) << command;
  }
}

// F1 pressed in a box that the window owns reaches the window as WM_HELP
// from that box; the host's trace shows that it did, so that "no About box"
// means refused, not never asked.
TEST_F(AboutBox, OpensOnF1ButNotWhileABoxOwnedByTheWindowIsOpen) {
  std::string trace = fresh_test_folder() + "help.log";
  open_host("\"trace=" + trace + "\" message=確認 wait=60000");
  MessageBoxView message = wait_for_message_box(host_.id, 10000);
  ASSERT_TRUE(message.found());
  type_key(message.window, VK_F1);
  EXPECT_EQ(nullptr, wait_for_about_box(host_.id, 1000));
  // Wine's message box passes F1 on twice; one is enough to show it came.
  auto requests = [&trace] { return lines_with(read_file(trace), "WM_HELP").size(); };
  EXPECT_GE(requests(), 1u) << "F1 in the message box never reached the window";
  press_button(message.window, IDOK);
  ASSERT_TRUE(wait_window_gone(message.window, 5000));

  // Once the message box has gone, F1 opens the About box; pressed again
  // in that box, it opens no second one.
  type_key(progress_, VK_F1);
  HWND box = wait_for_about_box(host_.id, 5000);
  ASSERT_NE(nullptr, box);
  EXPECT_EQ(progress_, GetWindow(box, GW_OWNER));
  size_t before = requests();
  type_key(box, VK_F1);
  Sleep(1000);
  EXPECT_EQ(1, about_box_count(host_.id));
  EXPECT_GT(requests(), before) << "F1 in the About box never reached the window";
  press_button(box, IDOK);
  EXPECT_TRUE(wait_window_gone(box, 5000));
}

TEST_F(AboutBox, EnterEscCloseButtonAndTitleBarCloseAllEndIt) {
  open_host();
  struct Way {
    const char *name;
    void (*close)(HWND box);
  } ways[] = {
      {"Enter", [](HWND box) { press_key(box, VK_RETURN); }},
      {"Esc", [](HWND box) { press_key(box, VK_ESCAPE); }},
      {"Close button", [](HWND box) { press_button(box, IDOK); }},
      {"title bar close", [](HWND box) { choose_close(box); }},
  };
  for (const Way &way : ways) {
    HWND box = open_from_menu();
    ASSERT_NE(nullptr, box) << way.name;
    way.close(box);
    EXPECT_TRUE(wait_window_gone(box, 5000)) << way.name;
    EXPECT_TRUE(IsWindowEnabled(progress_)) << way.name;
  }
}

TEST_F(AboutBox, KeepsTheGuidesSelectionAcrossFocusChangesAndShowings) {
  open_host();
  HWND box = open_from_menu();
  ASSERT_NE(nullptr, box);
  ASSERT_EQ(IDOK, focused_control_id(box));

  // First focus in this run: caret at the start, nothing selected (the
  // dialog manager would otherwise select the whole text).
  press_key(box, VK_TAB);
  Sleep(200);
  ASSERT_EQ(1000, focused_control_id(box));
  EXPECT_EQ((Selection{0, 0}), guide_selection(box));

  select_in_guide(box, 100, 240);
  press_key(box, VK_TAB);  // to the Close button: the selection is saved
  Sleep(200);
  ASSERT_EQ(IDOK, focused_control_id(box));
  select_in_guide(box, 5, 6);  // changed behind the box's back
  press_key(box, VK_TAB);      // back to the guide: the saved one returns
  Sleep(200);
  EXPECT_EQ((Selection{100, 240}), guide_selection(box));
  press_key(box, VK_TAB);
  Sleep(200);
  press_button(box, IDOK);
  ASSERT_TRUE(wait_window_gone(box, 5000));

  // The next showing in the same run starts from the saved selection.
  box = open_from_menu();
  ASSERT_NE(nullptr, box);
  press_key(box, VK_TAB);
  Sleep(200);
  ASSERT_EQ(1000, focused_control_id(box));
  EXPECT_EQ((Selection{100, 240}), guide_selection(box));
  press_button(box, IDOK);
  EXPECT_TRUE(wait_window_gone(box, 5000));
}

TEST_F(AboutBox, HoldsTheUpdateStillWhileOpen) {
  open_host("status=一 wait=1000 status=二 wait=60000");
  StatusRecorder recorder(progress_);
  ASSERT_NE(0u, recorder.wait_for("一", 5000));
  HWND box = open_from_menu();
  ASSERT_NE(nullptr, box);
  Sleep(2000);
  EXPECT_EQ("一", recorder.changes().back().text) << "the wait went on while the box was open";
  DWORD closed = GetTickCount();
  press_button(box, IDOK);
  // The wait's time ran out meanwhile: it ends as soon as the box has closed.
  EXPECT_LT(recorder.wait_for("二", 5000) - closed, 1000u);
}

TEST_F(AboutBox, WithoutTheGuideOpensWithAnEmptyGuideAndNoMessage) {
  open_host("status=待機中 wait=60000", "without_update_guide");
  HWND box = open_from_menu();
  ASSERT_NE(nullptr, box);
  AboutBoxView view = read_about_box(box);
  EXPECT_EQ("", view.guide);
  EXPECT_EQ(UpdaterCaption, view.caption);
  Sleep(300);
  for (HWND window : top_level_windows(host_.id)) EXPECT_FALSE(is_message_box(window)) << window_text(window);
  press_button(box, IDOK);
  EXPECT_TRUE(wait_window_gone(box, 5000));
}

}  // namespace
