// Registry keys of the setup's own that the user may not open: their access list
// denies everyone every right. The setup opens its keys with full access, so such
// a key reads as missing and cannot be written or deleted; the wizard must walk
// on without a message and leave the key as it was.
#include <string>

#include "res/resource_ids.h"
#include "tests/e2e/bad_input_support.h"

namespace {

const wchar_t kProductKey[] = L"Software\\Morvane\\K!q";
const char kNotEnforced[] = "this system opens a key whose access list denies it";

class DeniedKeyTest : public BadInputTest {
 protected:
  void StartUninstall() { StartLogged(UninstallModeCopy(), L""); }

  // The uninstall page's OK and the finish page's button.
  void Uninstall() {
    StartUninstall();
    Finish(Step(WaitForOnlyPage(kUninstallCaption), IDOK, kUninstallCaption));
  }
};

TEST_F(DeniedKeyTest, SettingsKeyInInstallModeLeadsToThePathPage) {
  InstallProgram(L"v3200");
  const auto location = ReadRegString(HKEY_CURRENT_USER, kSettingsKey, kLocationValue);
  {
    const DeniedRegistryKey denied(HKEY_CURRENT_USER, kSettingsKey);
    ASSERT_TRUE(denied.IsEnforced()) << kNotEnforced;
    StartLogged(Distribution(L"v3105"), L"/setup");
    const Page path = Step(WaitForOnlyPage(kWelcomeCaption), IDOK, kPathCaption);
    Step(path, IDCANCEL, kWelcomeCaption).Click(IDCANCEL);
    ExpectEndsCleanly();
  }
  EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, kSettingsKey, kLocationValue), location);
}

TEST_F(DeniedKeyTest, SettingsKeyInUninstallModeShowsPathNotFound) {
  InstallProgram(L"v3105");
  {
    const DeniedRegistryKey denied(HKEY_CURRENT_USER, kSettingsKey);
    ASSERT_TRUE(denied.IsEnforced()) << kNotEnforced;
    StartUninstall();
    ExpectPathNotFoundThenEnd();
  }
  EXPECT_TRUE(FileExists(InstalledFile(L"kalquint.exe")));
  EXPECT_TRUE(ReadRegString(HKEY_CURRENT_USER, kSettingsKey, kLocationValue).has_value());
}

// The settings key itself opens; the walk up to its parent stops there.
TEST_F(DeniedKeyTest, ProductKeyAboveTheSettingsDuringUninstall) {
  InstallProgram(L"v3105");
  {
    const DeniedRegistryKey denied(HKEY_CURRENT_USER, kProductKey);
    ASSERT_TRUE(denied.IsEnforced()) << kNotEnforced;
    ASSERT_TRUE(RegKeyExists(HKEY_CURRENT_USER, kSettingsKey));
    Uninstall();
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, kSettingsKey));
  }
  EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, kProductKey));
  EXPECT_FALSE(FileExists(InstalledFile(L"kalquint.exe")));
}

TEST_F(DeniedKeyTest, SkinExtensionDuringUninstall) {
  InstallProgram(L"v3105");
  WriteRegString(HKEY_CLASSES_ROOT, L".KQS", L"", L"kqsfile");
  WriteRegString(HKEY_CLASSES_ROOT, L"kqsfile\\shell\\open\\command", L"", L"kalquint.exe %1");
  {
    const DeniedRegistryKey denied(HKEY_CLASSES_ROOT, L".KQS");
    ASSERT_TRUE(denied.IsEnforced()) << kNotEnforced;
    Uninstall();
  }
  EXPECT_EQ(ReadRegString(HKEY_CLASSES_ROOT, L".KQS", L""), L"kqsfile");
  EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, L"kqsfile"));
  EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, kProductKey));
}

TEST_F(DeniedKeyTest, UninstallEntryDuringInstall) {
  const std::wstring usersEntry = L"an entry the user's system keeps";
  WriteRegString(HKEY_LOCAL_MACHINE, kUninstallKey, L"DisplayName", usersEntry);
  const std::wstring target = folder_.File(L"target");
  {
    const DeniedRegistryKey denied(HKEY_LOCAL_MACHINE, kUninstallKey);
    ASSERT_TRUE(denied.IsEnforced()) << kNotEnforced;
    StartLogged(Distribution(L"v3105"), L"/setup");
    const Page path = Step(WaitForOnlyPage(kWelcomeCaption), IDOK, kPathCaption);
    path.SetText(IDC_PATH_EDIT, target);
    Finish(Step(Step(path, IDOK, kOptionsCaption), IDOK, kInstallDoneCaption));
  }
  EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, kUninstallKey, L"DisplayName"), usersEntry);
  EXPECT_FALSE(ReadRegString(HKEY_LOCAL_MACHINE, kUninstallKey, L"UninstallString").has_value());
  EXPECT_TRUE(FileExists(JoinPath(target, L"kalquint.exe")));
  EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, kSettingsKey, kLocationValue),
            JoinPath(target, L"kalquint.exe"));
}

}  // namespace
