// The start of the updated application: which failures of the start are
// attempted again, and how often.
#include "../../driver/launch.h"

#include <gtest/gtest.h>

TEST(Launch, OnlyAStartRefusedWhileTheExecutableIsHeldIsAttemptedAgainFiveTimesInAll) {
  for (DWORD held : {DWORD{ERROR_SHARING_VIOLATION}, DWORD{ERROR_ACCESS_DENIED}}) {
    for (int made = 1; made < 5; ++made) EXPECT_TRUE(start_worth_retrying(held, made)) << held << " " << made;
    EXPECT_FALSE(start_worth_retrying(held, 5)) << held;
  }
  // Not found, bad format, elevation required: none passes by itself.
  for (DWORD error : {DWORD{ERROR_FILE_NOT_FOUND}, DWORD{ERROR_BAD_EXE_FORMAT}, DWORD{740}})
    EXPECT_FALSE(start_worth_retrying(error, 1)) << error;
}
