// A run that nobody can see: the decision, the answers its boxes get and the
// event type that records them.
#include <gtest/gtest.h>

#include "../../driver/station.h"
#include "../../ui/message_box.h"

TEST(Station, IsVisibleOnlyWithWsfVisible) {
  EXPECT_TRUE(station_is_visible(WSF_VISIBLE));
  EXPECT_TRUE(station_is_visible(0xFFFFFFFF));
  EXPECT_FALSE(station_is_visible(0));  // a service's, or a task's without a logged-on user
  EXPECT_FALSE(station_is_visible(~static_cast<DWORD>(WSF_VISIBLE)));
}

TEST(Station, OfTheTestsIsTheVisibleOne) { EXPECT_TRUE(process_station_is_visible()); }

TEST(UnattendedBox, TakesTheAnswerThatChangesNothing) {
  EXPECT_EQ(IDOK, safe_answer(MB_OK | MB_ICONERROR));
  EXPECT_EQ(IDCANCEL, safe_answer(MB_OKCANCEL | MB_ICONQUESTION));
  EXPECT_EQ(IDCANCEL, safe_answer(MB_RETRYCANCEL | MB_ICONEXCLAMATION));
  EXPECT_EQ(IDNO, safe_answer(MB_YESNO | MB_DEFBUTTON1));
  EXPECT_EQ(IDABORT, safe_answer(MB_ABORTRETRYIGNORE));
}

TEST(UnattendedBox, IsRecordedWithTheTypeOfItsIcon) {
  EXPECT_EQ(EVENTLOG_ERROR_TYPE, event_type_of(MB_OK | MB_ICONERROR));
  EXPECT_EQ(EVENTLOG_WARNING_TYPE, event_type_of(MB_RETRYCANCEL | MB_ICONEXCLAMATION));
  EXPECT_EQ(EVENTLOG_INFORMATION_TYPE, event_type_of(MB_OK | MB_ICONINFORMATION));
  EXPECT_EQ(EVENTLOG_INFORMATION_TYPE, event_type_of(MB_OKCANCEL | MB_ICONQUESTION));
}

// Shown, the box would wait here for ever (the case's time limit fails it).
TEST(UnattendedBox, IsAnsweredWithoutShowingOnceTheRunIsUnattended) {
  EXPECT_FALSE(boxes_unattended());
  answer_boxes_unattended();
  EXPECT_EQ(IDCANCEL, show_message(NULL, "?", MB_OKCANCEL | MB_ICONQUESTION));
}
