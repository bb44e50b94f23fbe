// The command-line tail that the start-up hands to the entry.
#include "../../runtime/command_line.h"

#include <gtest/gtest.h>

#include <string>

namespace {
std::string tail(const char *line) { return command_line_tail(line); }
}  // namespace

TEST(CommandLineTail, SkipsAQuotedProgramPathWithBlanksAndTheBlanksAfterIt) {
  EXPECT_EQ("/Automatically", tail("\"C:\\Update Disc\\Setup.exe\"   \t/Automatically"));
  EXPECT_EQ("/Automatically", tail("\"C:\\Update Disc\\Setup.exe\"/Automatically"));
  EXPECT_EQ("", tail("\"C:\\Update Disc\\Setup.exe\""));
  EXPECT_EQ("", tail("\"C:\\Update Disc\\Setup.exe"));  // no closing quote: all of it is the name
}

TEST(CommandLineTail, SkipsAnUnquotedProgramNameUpToTheFirstBlank) {
  EXPECT_EQ("/Automatically", tail("Setup.exe /Automatically"));
  EXPECT_EQ("", tail("Setup.exe"));
  EXPECT_EQ("", tail(""));
}

TEST(CommandLineTail, KeepsTheRestUnchangedTrailingBlanksAndAll) {
  EXPECT_EQ("/Automatically ", tail("Setup.exe /Automatically "));
  EXPECT_EQ("/Automatically /x \"y\"", tail("Setup.exe /Automatically /x \"y\""));
}

TEST(CommandLineTail, TakesShiftJisLeadBytesForPartOfTheName) {
  // 表 is 0x95 0x5C: the lead byte is above 0x80 and must not end the name.
  EXPECT_EQ("/Automatically", tail("C:\\\x95\x5c\\Setup.exe /Automatically"));
  EXPECT_EQ("\x95\x5c", tail("Setup.exe \x95\x5c"));
}

TEST(CommandLineTail, SkipsEveryControlCharacterAfterTheName) {
  EXPECT_EQ("x", tail("Setup.exe \x01\x1f\r\n x"));
}
