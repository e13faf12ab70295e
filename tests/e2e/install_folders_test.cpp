// A fresh install whose user's special folder cannot be read: that folder's
// shortcuts and flag are skipped, and nothing lands at the drive root or over
// another folder's link of the same name.
#include <cwchar>
#include <ostream>
#include <string>
#include <vector>

#include "tests/driver/case_name.h"
#include "tests/e2e/install_support.h"

namespace {

struct UnreadableFolderCase {
  const char* name;
  const wchar_t* value;  // the "Shell Folders" value that cannot be read
  const wchar_t* flag;   // the flag of the box whose shortcuts go there
  friend std::ostream& operator<<(std::ostream& out, const UnreadableFolderCase& given) {
    return out << given.name;
  }
};

struct ExpectedLink {
  const wchar_t* folderValue;
  std::wstring path;
  std::wstring target;
  std::wstring arguments;
};

class UnreadableFolderTest : public InstallTest,
                             public ::testing::WithParamInterface<UnreadableFolderCase> {};

// Every box is ticked, so each link that is made stands where a misplaced one
// would replace it: the startup link would land on the group's program link, the
// desktop link on the startup link.
TEST_P(UnreadableFolderTest, SkipsThatFoldersShortcutsAndFlagOnly) {
  const UnreadableFolderCase& given = GetParam();
  const std::wstring target = TargetFolder();
  const std::wstring installDir = target + L"\\";
  const std::wstring program = installDir + L"kalquint.exe";
  const std::wstring group = ProgramGroupFolder();
  const std::vector<ExpectedLink> links = {
      {L"Programs", GroupProgramLink(), program, L""},
      {L"Programs", GroupHelpLink(), installDir + L"kalquint.hlp", L""},
      {L"Startup", StartupLink(), program, L"/daily"},
      {L"Desktop", DesktopLink(), program, L""}};
  const DriveRootEntries atRoot(DriveRoot(DistributionFolder()),
                                {kProgramGroupName, kProgramLinkName});
  PrivateShellFolders::MakeUnreadable(given.value);

  const Page finish = ChooseOptions(InstallInto(ToPathPage(StartInstall()), target), kAllOptions);
  EXPECT_FALSE(ReadRegValue(HKEY_CURRENT_USER, kShellFoldersKey, given.value).has_value())
      << "the value came back during the run";
  EXPECT_FALSE(FileExists(atRoot.Path(kProgramGroupName)));
  EXPECT_FALSE(FileExists(atRoot.Path(kProgramLinkName)));
  for (const ExpectedLink& link : links) {
    if (std::wcscmp(link.folderValue, given.value) == 0) {
      EXPECT_FALSE(FileExists(link.path)) << Utf8(link.path);
    } else {
      EXPECT_TRUE(LinksTo(link.path, link.target, link.arguments));
    }
  }
  EXPECT_EQ(FileExists(group), std::wcscmp(given.value, L"Programs") != 0);
  std::vector<NamedValue> settings = RecordedInstallation(installDir);
  for (const std::wstring& flag : kFlags) {
    if (flag != given.flag) settings.push_back({flag, NumberValue(1, REG_BINARY)});
  }
  EXPECT_TRUE(KeyHolds(HKEY_CURRENT_USER, kSettingsKey, settings));
  Finish(finish, false, false);
}

INSTANTIATE_TEST_SUITE_P(
    SpecialFolders, UnreadableFolderTest,
    ::testing::Values(UnreadableFolderCase{"Programs", L"Programs", L"UseGroup"},
                      UnreadableFolderCase{"Startup", L"Startup", L"UseStartup"},
                      UnreadableFolderCase{"Desktop", L"Desktop", L"UseDesktop"}),
    CaseName());

}  // namespace
