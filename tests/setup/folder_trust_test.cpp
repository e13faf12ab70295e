// What the install asks for the folder it makes. Wine keeps no permissions a
// program sets (a protected list reads back as its default), so the
// descriptor the setup hands the system is checked, not the folder.
#include <windows.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <string>

#include "setup/folder_trust.h"

namespace {

TEST(InstallFolderSecurity, AdministratorsAndSystemChangeUsersOnlyReadAndRunNothingInherited) {
  const SECURITY_ATTRIBUTES* attributes = InstallFolderSecurity();
  ASSERT_NE(attributes, nullptr);
  EXPECT_EQ(attributes->nLength, sizeof(SECURITY_ATTRIBUTES));
  EXPECT_FALSE(attributes->bInheritHandle);
  ASSERT_TRUE(IsValidSecurityDescriptor(attributes->lpSecurityDescriptor));
  char* text = nullptr;
  ASSERT_TRUE(ConvertSecurityDescriptorToStringSecurityDescriptorA(
      attributes->lpSecurityDescriptor, SDDL_REVISION_1,
      OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &text,
      nullptr));
  const std::string described = text;
  LocalFree(text);
  // No owner or group of its own: the account that makes the folder owns it.
  EXPECT_EQ(described, "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)");
}

}  // namespace
