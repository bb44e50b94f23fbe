// A run that nobody can see: the decision, and the answers its boxes get
// (the event types they are recorded with: the unattended e2e cases).
#include <gtest/gtest.h>

#include "../../driver/station.h"
#include "../../ui/message_box.h"

TEST(Station, IsVisibleOnlyWithWsfVisible) {
  EXPECT_TRUE(station_is_visible(WSF_VISIBLE));
  EXPECT_TRUE(station_is_visible(0xFFFFFFFF));
  EXPECT_FALSE(station_is_visible(0));  // a service's, or a task's without a logged-on user
  EXPECT_FALSE(station_is_visible(~static_cast<DWORD>(WSF_VISIBLE)));
}

TEST(UnattendedBox, TakesTheAnswerThatChangesNothing) {
  EXPECT_EQ(IDOK, safe_answer(MB_OK | MB_ICONERROR));
  EXPECT_EQ(IDCANCEL, safe_answer(MB_OKCANCEL | MB_ICONQUESTION));
  EXPECT_EQ(IDCANCEL, safe_answer(MB_RETRYCANCEL | MB_ICONEXCLAMATION));
  EXPECT_EQ(IDNO, safe_answer(MB_YESNO | MB_DEFBUTTON1));
  EXPECT_EQ(IDABORT, safe_answer(MB_ABORTRETRYIGNORE));
}
