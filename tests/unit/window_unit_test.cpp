// The message pump, the guide loader and the progress window's decoration,
// in this process: the test program carries the updater's resources, so the
// window is the one the updater creates. (Another process's menus cannot be
// read under Wine, so the system menu is checked here.)
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "../../ui/progress_window.h"
#include "../../ui/pump.h"
#include "../../ui/update_guide.h"

namespace {

// A plain window of this thread that counts the messages posted to it.
const UINT kCounted = WM_APP + 1;
int counted = 0;

LRESULT CALLBACK counting_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == kCounted) {
    ++counted;
    return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

class Pump : public testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSA type = {};
    type.lpfnWndProc = counting_procedure;
    type.hInstance = GetModuleHandleA(NULL);
    type.lpszClassName = "PumpTestCounter";
    RegisterClassA(&type);
    counter_ = CreateWindowA("PumpTestCounter", "", WS_POPUP, 0, 0, 10, 10, NULL, NULL, type.hInstance, NULL);
    ASSERT_NE(nullptr, counter_);
    progress_ = create_progress_window();
    ASSERT_NE(nullptr, progress_);
    // Let the window settle: its creation leaves painting and the like.
    MSG message;
    for (int i = 0; i < 1000 && PeekMessageA(&message, NULL, 0, 0, PM_REMOVE); ++i)
      DispatchMessageA(&message);
    counted = 0;
  }
  void TearDown() override {
    DestroyWindow(progress_);
    DestroyWindow(counter_);
  }

  bool still_queued(UINT message) {
    MSG found;
    return PeekMessageA(&found, NULL, message, message, PM_NOREMOVE) != FALSE;
  }

  HWND counter_ = NULL;
  HWND progress_ = NULL;
};

TEST_F(Pump, PumpOnceDispatchesOneMessageForAnyWindowOfTheThread) {
  for (int i = 0; i < 3; ++i) PostMessageA(counter_, kCounted, 0, 0);
  pump_once(progress_);
  EXPECT_EQ(1, counted);
  pump_once(progress_);
  pump_once(progress_);
  EXPECT_EQ(3, counted);
  EXPECT_FALSE(still_queued(kCounted));
}

TEST_F(Pump, PumpOnceTakesAQuitMessageOffTheQueueAndGoesOn) {
  PostQuitMessage(7);
  pump_once(progress_);
  EXPECT_FALSE(still_queued(WM_QUIT));
  EXPECT_TRUE(IsWindowVisible(progress_));
}

TEST_F(Pump, PumpOnceReturnsAtOnceOnAnEmptyQueue) {
  DWORD start = GetTickCount();
  for (int i = 0; i < 100; ++i) pump_once(progress_);
  EXPECT_LT(GetTickCount() - start, 500u);
}

TEST_F(Pump, WaitOfZeroReturnsAtOnceAndDispatchesNothing) {
  PostMessageA(counter_, kCounted, 0, 0);
  DWORD start = GetTickCount();
  wait_pumping(progress_, 0);
  EXPECT_LT(GetTickCount() - start, 100u);
  EXPECT_EQ(0, counted);
  EXPECT_TRUE(still_queued(kCounted));
}

TEST_F(Pump, WaitLastsAtLeastTheTimeAskedAndDispatchesMeanwhile) {
  for (int i = 0; i < 5; ++i) PostMessageA(counter_, kCounted, 0, 0);
  for (DWORD asked : {1u, 250u, 1000u}) {
    DWORD start = GetTickCount();
    wait_pumping(progress_, asked);
    DWORD took = GetTickCount() - start;
    EXPECT_GE(took, asked);
    EXPECT_LT(took, asked + 1000) << asked;
  }
  EXPECT_EQ(5, counted);
}

TEST(ProgressWindow, SystemMenuEndsWithTheAboutEntryAndHasCloseGreyed) {
  HWND window = create_progress_window();
  ASSERT_NE(nullptr, window);
  HMENU menu = GetSystemMenu(window, FALSE);
  ASSERT_NE(nullptr, menu);
  int count = GetMenuItemCount(menu);
  ASSERT_GE(count, 3);

  char text[128] = {};
  GetMenuStringA(menu, count - 1, text, sizeof text, MF_BYPOSITION);
  EXPECT_EQ(std::string("バージョン情報(&A)...\tF1"), text);
  EXPECT_EQ(16u, GetMenuItemID(menu, count - 1));
  EXPECT_EQ(0u, GetMenuState(menu, count - 1, MF_BYPOSITION) & (MF_GRAYED | MF_DISABLED));
  EXPECT_NE(0u, GetMenuState(menu, count - 2, MF_BYPOSITION) & MF_SEPARATOR);

  UINT close = GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND);
  ASSERT_NE(0xFFFFFFFFu, close) << "no Close entry";
  EXPECT_NE(0u, close & MF_GRAYED);
  DestroyWindow(window);
}

TEST(ProgressWindow, UsesTheProgramIconForBothSizes) {
  HWND window = create_progress_window();
  ASSERT_NE(nullptr, window);
  HICON program = LoadIconA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(106));
  ASSERT_NE(nullptr, program);
  EXPECT_EQ(program, reinterpret_cast<HICON>(SendMessageA(window, WM_GETICON, ICON_SMALL, 0)));
  EXPECT_EQ(program, reinterpret_cast<HICON>(SendMessageA(window, WM_GETICON, ICON_BIG, 0)));
  DestroyWindow(window);
}

TEST(UpdateGuide, CopyEndsExactlyAtTheResourcesLastByte) {
  HRSRC found = FindResourceA(NULL, "#111", "BINARY");
  ASSERT_NE(nullptr, found);
  DWORD size = SizeofResource(NULL, found);
  std::string resource(static_cast<const char *>(LockResource(LoadResource(NULL, found))), size);
  EXPECT_EQ(6671u, size);

  char *text = load_update_guide();
  ASSERT_NE(nullptr, text);
  EXPECT_EQ(resource, std::string(text, lstrlenA(text)));
  EXPECT_EQ(std::string("\r\n"), std::string(text + size - 2));
  release_update_guide(text);
}

}  // namespace
