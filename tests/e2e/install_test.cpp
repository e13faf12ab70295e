// A fresh install driven through the windows of the real install.exe: what each
// page leaves on the machine (files, registry, links, started programs) once
// the user has pressed its Next.
#include <algorithm>
#include <string>
#include <vector>

#include "res/resource_ids.h"
#include "setup/scoped.h"
#include "tests/driver/file_contents.h"
#include "tests/e2e/install_support.h"

namespace {

void ExpectNoSkinAssociation() {
  EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, L".KQS"));
  EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, L"kqsfile"));
}

void ExpectNoShortcuts() {
  for (const std::wstring& made : {ProgramGroupFolder(), StartupLink(), DesktopLink()}) {
    EXPECT_FALSE(FileExists(made)) << Utf8(made);
  }
}

// Whether HKEY_LOCAL_MACHINE's `key` is there in the registry's view `view`
// (KEY_WOW64_32KEY or KEY_WOW64_64KEY).
bool KeyInView(const wchar_t* key, REGSAM view) {
  HKEY opened = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, KEY_READ | view, &opened) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(opened);
  return true;
}

// Whether this 32-bit program runs on 64-bit Windows, as the setup does there.
bool RunsUnderWow64() {
  BOOL wow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

// ---------------------------------------------------------------------------
// The whole wizard with every box ticked.

TEST_F(InstallTest, EveryOptionInstallsRegistersLinksAndAssociatesThenOpensHelpAndProgram) {
  const std::wstring helpViewer = StandinPath(L"v3105");
  const HelpFileHandler help(helpViewer);
  const std::wstring target = TargetFolder();
  const std::wstring installDir = target + L"\\";
  const std::wstring program = installDir + L"kalquint.exe";

  Page page = InstallInto(ToPathPage(StartInstall()), target);
  EXPECT_TRUE(HoldsInstalledFiles(installDir));
  EXPECT_TRUE(SameFiles(UninstallerCopyPath(), DistributionFile(L"install.exe")));
  EXPECT_TRUE(KeyHolds(HKEY_LOCAL_MACHINE, kUninstallKey, UninstallEntry(installDir)));
  // On 64-bit Windows, in the 32-bit view, where the system's list of programs
  // and the deployment clients look for a 32-bit program's entry.
  if (RunsUnderWow64()) {
    EXPECT_TRUE(KeyInView(kUninstallKey, KEY_WOW64_32KEY));
    EXPECT_FALSE(KeyInView(kUninstallKey, KEY_WOW64_64KEY));
  }
  EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, kSettingsKey));
  std::vector<StartRecord> starts = WaitForStarts(1);
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0].program, program);
  EXPECT_EQ(starts[0].arguments, L"/RegServer");

  page = ChooseOptions(page, kAllOptions);
  std::vector<NamedValue> settings = RecordedInstallation(installDir);
  for (const std::wstring& flag : kFlags) settings.push_back({flag, NumberValue(1, REG_BINARY)});
  EXPECT_TRUE(KeyHolds(HKEY_CURRENT_USER, kSettingsKey, settings));
  EXPECT_TRUE(KeyHolds(HKEY_CLASSES_ROOT, L".KQS", {{L"", StringValue(L"kqsfile")}}));
  EXPECT_TRUE(KeyHolds(HKEY_CLASSES_ROOT, L"kqsfile", {{L"", StringValue(L"KalendroSkinFile")}}));
  EXPECT_TRUE(KeyHolds(HKEY_CLASSES_ROOT, L"kqsfile\\shell", {}));
  EXPECT_TRUE(KeyHolds(HKEY_CLASSES_ROOT, L"kqsfile\\shell\\open", {}));
  EXPECT_TRUE(KeyHolds(HKEY_CLASSES_ROOT, L"kqsfile\\shell\\open\\command",
                       {{L"", StringValue(L"\"" + program + L"\" \"%1\"")}}));
  EXPECT_TRUE(KeyHolds(HKEY_CLASSES_ROOT, L"kqsfile\\DefaultIcon",
                       {{L"", StringValue(program + L",0")}}));
  EXPECT_TRUE(LinksTo(GroupProgramLink(), program, L""));
  EXPECT_TRUE(LinksTo(GroupHelpLink(), installDir + L"kalquint.hlp", L""));
  EXPECT_TRUE(LinksTo(StartupLink(), program, L"/daily"));
  EXPECT_TRUE(LinksTo(DesktopLink(), program, L""));
  EXPECT_EQ(WaitForStarts(2, kQuietPeriod).size(), 1u);

  DeleteFileW(ShellStartLog().c_str());
  Finish(page, true, true);
  // The help and the program are the user's: the desktop's shell starts them,
  // with its own environment, whose log may not be this test's.
  const std::vector<StartRecord> userStarts = WaitForShellStarts(2);
  ASSERT_EQ(userStarts.size(), 2u);
  // The two log in the order they happen to run; the shell created them in order.
  const bool helpLoggedFirst = userStarts[0].program == helpViewer;
  const StartRecord& helpStart = userStarts[helpLoggedFirst ? 0 : 1];
  const StartRecord& programStart = userStarts[helpLoggedFirst ? 1 : 0];
  EXPECT_EQ(helpStart.program, helpViewer);
  EXPECT_EQ(helpStart.arguments, L"/openhelp \"" + installDir + L"kalquint.hlp\"");
  EXPECT_EQ(programStart.program, program);
  EXPECT_EQ(programStart.arguments, L"");
  EXPECT_EQ(helpStart.parentId, ShellProcess());
  EXPECT_EQ(programStart.parentId, ShellProcess());
  EXPECT_LT(helpStart.created, programStart.created);
  EXPECT_TRUE(ShowsAndCloses(programStart.processId));
  // Whatever folder the setup was started from, each program it starts works in
  // the installed one.
  starts.insert(starts.end(), userStarts.begin(), userStarts.end());
  for (const StartRecord& start : starts) EXPECT_EQ(start.folder, target) << Utf8(start.program);
}

// ---------------------------------------------------------------------------
// No box ticked on the options and finish pages: only what every install records.

TEST_F(InstallTest, NoOptionRecordsOnlyTheLocationAndDataFiles) {
  const std::wstring target = TargetFolder();
  const std::wstring installDir = target + L"\\";
  Page page = ChooseOptions(InstallInto(ToPathPage(StartInstall()), target), kNoOptions);
  EXPECT_TRUE(KeyHolds(HKEY_CURRENT_USER, kSettingsKey, RecordedInstallation(installDir)));
  ExpectNoSkinAssociation();
  ExpectNoShortcuts();
  Finish(page, false, false);
  ASSERT_EQ(WaitForStarts(1).size(), 1u);
  const std::vector<StartRecord> starts = WaitForStarts(2, kQuietPeriod);
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0].arguments, L"/RegServer");
}

// ---------------------------------------------------------------------------
// Back from the options page undoes nothing; the path page starts afresh from
// the default folder, and its Next copies the files again.

TEST_F(InstallTest, BackFromOptionsShowsTheDefaultFolderAndNextCopiesAgain) {
  const std::wstring target = TargetFolder();
  const std::wstring installDir = target + L"\\";
  const std::wstring dates = installDir + L"dates.txt";
  Page page = ToPathPage(StartInstall());
  EXPECT_TRUE(ShowsText(page, IDC_PATH_EDIT, DefaultFolder()));
  page = InstallInto(page, target);
  ASSERT_TRUE(DeleteFileW(dates.c_str()));
  // The registration run holds its program file until it ends; a user is not
  // that quick to press Next again.
  const std::vector<StartRecord> registration = WaitForStarts(1);
  ASSERT_EQ(registration.size(), 1u);
  const ScopedHandle registering(OpenProcess(SYNCHRONIZE, FALSE, registration[0].processId));
  if (registering.IsValid()) WaitForSingleObject(registering.Get(), 10000);

  page = run_->Advance(page, IDCANCEL, kPathCaption);
  EXPECT_TRUE(ShowsText(page, IDC_PATH_EDIT, DefaultFolder()));
  EXPECT_FALSE(FileExists(dates));
  EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, kSettingsKey));

  page = InstallInto(page, target);
  EXPECT_TRUE(HoldsInstalledFiles(installDir));
  const std::vector<StartRecord> starts = WaitForStarts(2);
  ASSERT_EQ(starts.size(), 2u);
  EXPECT_EQ(starts[1].arguments, L"/RegServer");
  LeaveFromOptions(page);
  EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, kSettingsKey));
}

// An uninstall that kept the user's data files leaves them in the folder; a new
// install there keeps them and copies everything else.
TEST_F(InstallTest, DataFilesAlreadyInTheFolderAreKept) {
  const std::wstring target = TargetFolder();
  ASSERT_TRUE(CreateDirectoryW(target.c_str(), nullptr));
  const std::vector<std::wstring> dataFiles = {L"dates.txt", L"events.txt", L"runs.txt"};
  for (const std::wstring& name : dataFiles) {
    WriteFileBytes(JoinPath(target, name), "the user's " + Utf8(name));
  }
  WriteFileBytes(JoinPath(target, L"kalquint.hlp"), "an older help");
  const Page options = InstallInto(ToPathPage(StartInstall()), target);
  for (const std::wstring& name : dataFiles) {
    EXPECT_EQ(ReadFileBytes(JoinPath(target, name)), "the user's " + Utf8(name)) << Utf8(name);
  }
  for (const std::wstring& name : kInstalledFileNames) {
    if (std::find(dataFiles.begin(), dataFiles.end(), name) == dataFiles.end()) {
      EXPECT_TRUE(SameFiles(JoinPath(target, name), DistributionFile(name)));
    }
  }
  LeaveFromOptions(options);
}

// The path page answers all through the copy of a large help file (a second or
// more under Wine here), its buttons disabled, and the install ends as any other.
TEST_F(InstallTest, PathPageAnswersWhileALargeHelpFileCopies) {
  {  // sparse: the system gives the added part as zeros without writing them
    const ScopedFile help(CreateFileW(DistributionFile(L"kalquint.hlp").c_str(), GENERIC_WRITE,
                                      0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(SetFilePointerEx(help.Get(), {.QuadPart = 256ll << 20}, nullptr, FILE_BEGIN) &&
                SetEndOfFile(help.Get()));
  }
  const std::wstring target = TargetFolder();
  const Page path = ToPathPage(StartInstall());
  path.SetText(IDC_PATH_EDIT, target);
  path.Click(IDOK);
  // Next disabled on a page still there (GetDlgItem: Page::Control would throw).
  const auto copying = [&] {
    return path.IsOpen() && !IsWindowEnabled(GetDlgItem(path.Window(), IDOK));
  };
  ASSERT_TRUE(WaitUntil(copying, kControlTimeout)) << "Next stayed enabled";
  int looks = 0;
  WaitUntil([&] {  // a look counts when the copy ran before and after it
    const bool answered = path.Answers();
    if (!copying()) return true;
    EXPECT_TRUE(answered) << "look " << looks;
    ++looks;
    return false;
  }, kPageTimeout);
  EXPECT_GT(looks, 0);
  const Page options = run_->WaitForPage(kOptionsCaption);
  EXPECT_TRUE(HoldsInstalledFiles(target + L"\\"));
  LeaveFromOptions(options);
}

// ---------------------------------------------------------------------------
// The uninstaller copy is the running setup's own file, whatever it is called.

TEST_F(InstallTest, SetupFileOfAnotherNameIsCopiedAsTheUninstaller) {
  const std::wstring renamed = DistributionFile(L"setup (1).exe");
  ASSERT_TRUE(MoveFileW(DistributionFile(L"install.exe").c_str(), renamed.c_str()));
  const std::wstring target = TargetFolder();
  const Page options = InstallInto(ToPathPage(StartInstall(renamed)), target);
  EXPECT_TRUE(SameFiles(UninstallerCopyPath(), renamed));
  EXPECT_TRUE(KeyHolds(HKEY_LOCAL_MACHINE, kUninstallKey, UninstallEntry(target + L"\\")));
  EXPECT_FALSE(FileExists(JoinPath(target, L"setup (1).exe")));
  LeaveFromOptions(options);
}

// An uninstaller that cannot be put in place stops the install, which then
// takes back what it put into the folder: an entry without one would offer a
// removal that cannot run.
TEST_F(InstallTest, UninstallerThatCannotBeCopiedStopsTheInstall) {
  ASSERT_TRUE(CreateDirectoryW(UninstallerCopyPath().c_str(), nullptr));
  const std::wstring target = TargetFolder();
  const Page path = ToPathPage(StartInstall());
  path.SetText(IDC_PATH_EDIT, target);
  path.Click(IDOK);
  const MessageBoxWindow box = run_->WaitForMessageBox();
  EXPECT_EQ(box.Message(),
            L"Не удалось установить программу в папку\n" + target + L"\nВыберите другую папку.");
  box.PressOk();
  box.WaitClosed();
  EXPECT_FALSE(FileExists(target));
  EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  run_->Advance(path, IDCANCEL, kWelcomeCaption).Click(IDCANCEL);
  EXPECT_EQ(run_->WaitForExit(), 0u);
  EXPECT_TRUE(RemoveDirectoryW(UninstallerCopyPath().c_str()));
}

TEST_F(InstallTest, OlderUninstallerIsReplaced) {
  CopyFileOrThrow(StandinPath(L"v3105"), UninstallerCopyPath());
  const Page options = InstallInto(ToPathPage(StartInstall()), TargetFolder());
  EXPECT_TRUE(SameFiles(UninstallerCopyPath(), DistributionFile(L"install.exe")));
  LeaveFromOptions(options);
}

}  // namespace
