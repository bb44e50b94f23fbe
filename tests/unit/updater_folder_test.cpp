// The updater's own folder, cut from its module path.
#include "../../driver/updater_folder.h"

#include <gtest/gtest.h>

#include <string>

namespace {
std::string cut(std::string path) {
  cut_after_last_backslash(&path[0]);
  return path.c_str();
}
}  // namespace

TEST(UpdaterFolder, IsThePathUpToAndIncludingItsLastBackslash) {
  EXPECT_EQ("C:\\Update Disc\\", cut("C:\\Update Disc\\Setup.exe"));
  EXPECT_EQ("", cut("Setup.exe"));
}

TEST(UpdaterFolder, StepsOverDoubleByteCharactersWhoseSecondByteIsABackslash) {
  // 表 is 0x95 0x5C, which a plain byte search takes for a backslash,
  // giving a folder that does not exist.
  EXPECT_EQ("C:\\disc\\", cut("C:\\disc\\更新表.exe"));
  // ソ (0x83 0x5C) in a folder name stays whole.
  EXPECT_EQ("C:\\ソフト\\", cut("C:\\ソフト\\Setup.exe"));
}

TEST(UpdaterFolder, OfTheRunningProgramEndsWithABackslashAndIsCached) {
  const char *folder = updater_folder();
  std::string text = folder;
  ASSERT_FALSE(text.empty());
  EXPECT_EQ('\\', text.back());
  EXPECT_EQ(folder, updater_folder());
}
