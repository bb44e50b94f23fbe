// Which folders the updater trusts with the kept copy: only one that
// Administrators or SYSTEM own and that nobody else may change.
#include "../../base/protected_folder.h"

#include <gtest/gtest.h>
#include <sddl.h>

#include <string>

namespace {

bool trusted(const std::string &sddl) {
  PSECURITY_DESCRIPTOR descriptor = NULL;
  EXPECT_TRUE(
      ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl.c_str(), SDDL_REVISION_1, &descriptor, NULL))
      << sddl;
  bool answer = only_administrators_may_change(descriptor);
  LocalFree(descriptor);
  return answer;
}

TEST(ProtectedFolder, OnlyAFolderThatAdministratorsAloneMayChangeIsTrusted) {
  const std::string ours = "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
  EXPECT_TRUE(trusted("O:BA" + ours));
  EXPECT_TRUE(trusted("O:SY" + ours));
  EXPECT_TRUE(trusted("O:BA" + ours + "(A;OICI;FR;;;BU)(D;;FA;;;WD)")) << "reading, or a denial, is harmless";
  EXPECT_FALSE(trusted("O:BU" + ours)) << "a user who owns it can grant himself anything";
  EXPECT_FALSE(trusted("O:BA" + ours + "(A;OICI;0x4;;;AU)")) << "users may add folders";
  EXPECT_FALSE(trusted("O:BA" + ours + "(A;CIIO;GA;;;CO)")) << "what a user makes inside is his";
  EXPECT_FALSE(trusted("O:BA")) << "no access list grants everyone everything";
}

}  // namespace
