// What the next run does with the record of an update that did not finish:
// a copy goes back only over the installation the stopped run left.
#include <gtest/gtest.h>

#include "../../installation/kept_copy.h"

namespace {

const char kFolder[] = "C:\\Program Files\\Pellix\\Veltrano\\";

// A complete record of an update from 2.2.0.1 with no "AppVer".
KeptRecord record_before_update() {
  KeptRecord record = {RecordFormat, 1, {0x00020002, 0x00000001, 0, 0}, 0x02030001, 2, {0}, {0}};
  lstrcpyA(record.folder, kFolder);
  return record;
}

TEST(Recovery, PutsBackOnlyWhatTheStoppedRunLeft) {
  KeptRecord record = record_before_update();
  const InstallationState old_exe = {0x00020002, 0x00000001, 0, 0}, new_exe = {0x00020003, 0x00000001, 0, 0},
                          no_exe = {0, 0, 0, 0}, other_exe = {0x00020001, 0x00000005, 0, 0};
  EXPECT_EQ(Recovery::PutBack, recovery_for(record, kFolder, old_exe, false));
  EXPECT_EQ(Recovery::PutBack, recovery_for(record, "c:\\program files\\pellix\\veltrano\\", new_exe, true));
  EXPECT_EQ(Recovery::PutBack, recovery_for(record, kFolder, no_exe, false)) << "stopped while replacing it";
  EXPECT_EQ(Recovery::SetAside, recovery_for(record, kFolder, other_exe, false)) << "reinstalled since";
  EXPECT_EQ(Recovery::SetAside, recovery_for(record, "D:\\Veltrano\\", old_exe, false)) << "moved since";
  EXPECT_EQ(Recovery::SetAside, recovery_for(record, NULL, old_exe, false)) << "uninstalled since";
  const InstallationState other_app_ver = {0x00020003, 0x00000001, 0x02030000, 1};
  EXPECT_EQ(Recovery::SetAside, recovery_for(record, kFolder, other_app_ver, true)) << "a full installer ran";

  const InstallationState recorded = {0x00020003, 0x00000001, 0x02030001, 1};
  EXPECT_EQ(Recovery::Discard, recovery_for(record, kFolder, recorded, true)) << "past the commit point";
  // "AppVer" was new already before: only putting back and updating again is sure.
  record.before = recorded;
  EXPECT_EQ(Recovery::PutBack, recovery_for(record, kFolder, recorded, true));

  record.complete = 0;
  EXPECT_EQ(Recovery::Discard, recovery_for(record, "D:\\Veltrano\\", other_exe, false)) << "never complete";
  record.format = 0;
  EXPECT_EQ(Recovery::SetAside, recovery_for(record, kFolder, old_exe, false))
      << "a record that cannot be read";
}

}  // namespace
