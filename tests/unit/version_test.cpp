// Reading version records, the rule that decides whether the update applies,
// and recording the new version.
#include "../../driver/version.h"

#include <gtest/gtest.h>

#include <string>

#include "files.h"
#include "installation.h"

namespace {

DWORD ms(WORD major, WORD minor) { return MAKELONG(minor, major); }
DWORD ls(WORD build, WORD revision) { return MAKELONG(revision, build); }

// Today's release, as the end-to-end tests describe it, in numbers of its
// own: 2.3.0.1 takes 2.0 up to 2.2.0.12289, counts 2.2.0.12290 and 2.3 as the
// latest, and 1.x as too old.
TEST(VersionVerdict, TheBuiltReleaseIsTheOneTheTestsDescribe) {
  EXPECT_EQ(0x02030001u, NewVersion);
  EXPECT_EQ(ms(2, 2), ReplacedUpToMS);
  EXPECT_EQ(ls(0, 12289), ReplacedUpToLS);
  EXPECT_EQ(2, LowestUpdatableMajor);
}

TEST(VersionVerdict, OrdinaryUpdateTakesMajor2UpTo2_2_0_12289) {
  EXPECT_EQ(0, version_verdict(OrdinaryUpdate, ms(2, 0), ls(0, 0)));
  EXPECT_EQ(0, version_verdict(OrdinaryUpdate, ms(2, 1), ls(0xFFFF, 0xFFFF)));
  EXPECT_EQ(0, version_verdict(OrdinaryUpdate, ms(2, 2), ls(0, 0)));
  EXPECT_EQ(0, version_verdict(OrdinaryUpdate, ms(2, 2), ls(0, 12289)));
}

TEST(VersionVerdict, LaterBuildsCountAsTheLatest) {
  EXPECT_EQ(1, version_verdict(OrdinaryUpdate, ms(2, 2), ls(0, 12290)));
  EXPECT_EQ(1, version_verdict(OrdinaryUpdate, ms(2, 2), ls(1, 0)));
  EXPECT_EQ(1, version_verdict(OrdinaryUpdate, ms(2, 3), ls(0, 0)));
  EXPECT_EQ(1, version_verdict(OrdinaryUpdate, ms(2, 3), ls(0, 1)));
  EXPECT_EQ(1, version_verdict(MediaUpgrade, ms(2, 3), ls(0, 1)));
}

TEST(VersionVerdict, Version1IsTooOldExceptFromTheDisc) {
  EXPECT_EQ(-1, version_verdict(OrdinaryUpdate, ms(1, 0), ls(0, 0)));
  EXPECT_EQ(-1, version_verdict(OrdinaryUpdate, ms(1, 99), ls(9, 9)));
  EXPECT_EQ(0, version_verdict(MediaUpgrade, ms(1, 0), ls(0, 0)));
}

TEST(ReadFileVersion, ReadsTheFixedRecordOfAnExecutable) {
  VS_FIXEDFILEINFO record = {};
  ASSERT_TRUE(read_file_version(build_path("standins\\Corvane-2.2.0.12289.exe").c_str(), &record));
  EXPECT_EQ(0xFEEF04BDu, record.dwSignature);
  EXPECT_EQ(0x00020002u, record.dwFileVersionMS);
  EXPECT_EQ(0x00003001u, record.dwFileVersionLS);
}

TEST(ReadFileVersion, FailsWithoutARecordAPathOrAPlaceToPutIt) {
  VS_FIXEDFILEINFO record = {};
  EXPECT_FALSE(read_file_version(build_path("standins\\Corvane-unversioned.exe").c_str(), &record));
  EXPECT_FALSE(read_file_version(build_path("standins\\missing.exe").c_str(), &record));
  EXPECT_FALSE(read_file_version(NULL, &record));
  EXPECT_FALSE(read_file_version(build_path("standins\\Corvane-2.3.0.1.exe").c_str(), NULL));
}

TEST(ReadFileVersion, RefusesAPathOf260BytesOrMore) {
  // The same file, named through enough ".\" steps to reach 260 bytes.
  std::string path = build_path("standins\\Corvane-2.3.0.1.exe");
  std::string name = path.substr(path.rfind('\\') + 1);
  std::string padded = path.substr(0, path.rfind('\\') + 1);
  while (padded.size() + name.size() < 260) padded += ".\\";
  padded += name;
  VS_FIXEDFILEINFO record = {};
  ASSERT_GE(padded.size(), 260u);
  EXPECT_FALSE(read_file_version(padded.c_str(), &record));
}

TEST(RecordVersion, WritesAppVerAsADwordCreatingTheKey) {
  delete_application_key();
  ASSERT_TRUE(record_version());
  DWORD value = 0;
  ASSERT_TRUE(read_app_ver(&value));
  EXPECT_EQ(0x02030001u, value);
  delete_application_key();
}

// "AppVer" and the updater's version block come from the same release
// description along different roads; they must name the same version.
TEST(RecordVersion, NewVersionIsTheUpdatersOwnFileVersion) {
  VS_FIXEDFILEINFO record = {};
  ASSERT_TRUE(read_file_version(build_path("bin\\Setup.exe").c_str(), &record));
  DWORD packed = HIWORD(record.dwFileVersionMS) << 24 | LOWORD(record.dwFileVersionMS) << 16 |
                 HIWORD(record.dwFileVersionLS) << 8 | LOWORD(record.dwFileVersionLS);
  EXPECT_EQ(packed, NewVersion);
}

}  // namespace
