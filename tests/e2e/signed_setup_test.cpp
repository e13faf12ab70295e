// A quiet install from the signed distribution that tests/tools/package_test.sh
// left in <build>\package-test\signed. The uninstaller it puts into the Windows
// folder is copied out beside it, for the script to check that it is the signed
// setup byte for byte and that its signature verifies.
#include <gtest/gtest.h>

#include <string>

#include "tests/driver/wizard_test.h"

namespace {

using SignedSetupTest = WizardTest;

TEST_F(SignedSetupTest, QuietInstallLeavesItsUninstaller) {
  const std::wstring work = JoinPath(BuildDir(), L"package-test");
  const std::wstring setup = JoinPath(work, L"signed\\install.exe");
  const std::wstring arguments = L"/setup /quiet \"/dir=" + folder_.File(L"KALENDRO") + L"\"";
  ASSERT_EQ(Start(setup, arguments, {{L"KALQUINT_LOG", folder_.File(L"starts.log")}}).WaitForExit(),
            0u);
  CopyFileOrThrow(UninstallerCopyPath(), JoinPath(work, L"kquninst.exe"));
}

}  // namespace
