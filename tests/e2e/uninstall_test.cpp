// The uninstall wizard on a prepared installation: which files go with and
// without "delete all files", when the folder goes, the registry entries and
// shortcuts it removes, and "Выход", which removes nothing.
#include <list>
#include <ostream>
#include <string>
#include <vector>

#include "tests/driver/case_name.h"
#include "tests/e2e/cycle_support.h"

namespace {

const wchar_t kProductKey[] = L"Software\\Morvane\\K!q";
const wchar_t kOlderVersionKey[] = L"Software\\Morvane\\K!q\\2.x";

// What an installed folder holds besides the seven installed files.
const wchar_t* const kUserFiles[] = {L"dates.txt.bak", L"skin.kqs", L"russian.lng",
                                     L"letter.doc"};

class UninstallTest : public CycleTest {
 protected:
  // The installation with the user's files, its association, uninstall entry
  // (with the record that the install made the folder, when `folderMade`), the
  // settings of an older version beside the current ones, and a shortcut of the
  // program's name in each of its folders (made by hand: only the names count).
  void PrepareFullInstallation(bool folderMade = true) {
    PrepareInstallation(L"v3105");
    for (const wchar_t* name : kUserFiles) WriteFileBytes(Installed(name), UserContent(name));
    WriteRegString(HKEY_CURRENT_USER, kOlderVersionKey, kLocationValue, L"C:\\old\\kalquint.exe");
    WriteRegString(HKEY_CLASSES_ROOT, L".KQS", L"", L"kqsfile");
    WriteRegString(HKEY_CLASSES_ROOT, L"kqsfile\\shell\\open\\command", L"", L"kalquint.exe %1");
    WriteRegString(HKEY_CLASSES_ROOT, L"kqsfile\\DefaultIcon", L"", L"kalquint.exe,0");
    WriteRegString(HKEY_LOCAL_MACHINE, kUninstallKey, L"DisplayName", L"KALENDRO! quintara");
    if (folderMade) {
      WriteRegString(HKEY_LOCAL_MACHINE, kUninstallKey, L"CreatedInstallLocation",
                     InstalledFolder() + L"\\");
    }
    CreateDirectoryW(ProgramGroupFolder().c_str(), nullptr);
    for (const std::wstring& link : Links()) WriteFileBytes(link, "a link");
  }

  static std::vector<std::wstring> Links() {
    return {GroupProgramLink(), GroupHelpLink(), StartupLink(), DesktopLink()};
  }

  static void ExpectRegistryEntriesGone() {
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, kProductKey));
    EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, L"Software\\Morvane"));
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, L".KQS"));
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, L"kqsfile"));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  }
};

// ---------------------------------------------------------------------------
// Which files go.

enum class Obstacle { kNone, kSubfolder, kLockedFile };

struct DeletionCase {
  const char* name;
  bool deleteAll;
  bool folderMade;  // the installation recorded that it made the folder
  Obstacle obstacle;
  std::vector<std::wstring> left;  // entries of the folder afterwards; none: the folder is gone
  friend std::ostream& operator<<(std::ostream& out, const DeletionCase& given) {
    return out << given.name;
  }
};

class DeletionTest : public UninstallTest, public ::testing::WithParamInterface<DeletionCase> {};

TEST_P(DeletionTest, DeletesTheFilesItMustAndTheFolderWhenEmptied) {
  const DeletionCase& given = GetParam();
  PrepareFullInstallation(given.folderMade);
  if (given.obstacle == Obstacle::kSubfolder) {
    WriteFileBytes(JoinPath(folder_.MakeFolder(L"Программа\\skins"), L"winter.kqs"), "a skin");
  }
  if (given.obstacle == Obstacle::kLockedFile) {
    // A file that will not go stops the uninstall with the main program and
    // every record still there; once it is let go, the next run finishes.
    const LockedFile locked(Installed(L"skin.kqs"));
    const Page uninstall = OpenUninstallPage();
    uninstall.SetChecked(IDC_DELETE_ALL, given.deleteAll);
    uninstall.Click(IDOK);
    const MessageBoxWindow box = run_->WaitForMessageBox();
    EXPECT_EQ(box.Message(),
              L"Программу KALENDRO! quintara не удалось полностью удалить из папки\n" +
                  Installed(L"") +
                  L"\nЗакройте программы, которые используют её файлы, и попробуйте ещё раз.");
    box.PressOk();
    box.WaitClosed();
    uninstall.Click(IDCANCEL);
    EXPECT_EQ(run_->WaitForExit(), 0u);
    EXPECT_EQ(LowerCaseEntries(InstalledFolder()),
              (std::vector<std::wstring>{L"kalquint.exe", L"skin.kqs"}));
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  }

  Finish(RunUninstall(OpenUninstallPage(), given.deleteAll));

  if (given.left.empty()) {
    EXPECT_FALSE(FolderExists(InstalledFolder()));
  } else {
    EXPECT_EQ(LowerCaseEntries(InstalledFolder()), given.left);
  }
  if (given.obstacle == Obstacle::kSubfolder) {
    EXPECT_EQ(LowerCaseEntries(Installed(L"skins")), std::vector<std::wstring>{L"winter.kqs"});
  }
  EXPECT_TRUE(WasStarted(Installed(L"kalquint.exe"), L"/UnregServer"));
  ExpectRegistryEntriesGone();
  EXPECT_TRUE(UninstallerIsScheduled());
}

INSTANTIATE_TEST_SUITE_P(
    Folders, DeletionTest,
    ::testing::Values(
        DeletionCase{"ProgramFilesOnly",
                     false,
                     true,
                     Obstacle::kNone,
                     {L"dates.txt", L"dates.txt.bak", L"events.txt", L"letter.doc", L"runs.txt",
                      L"russian.lng", L"skin.kqs"}},
        DeletionCase{"EveryFileOfAFolderItMade", true, true, Obstacle::kNone, {}},
        // A folder that was there before: only what the box names goes, and the
        // folder stays with the user's other files.
        DeletionCase{"TheNamedKindsInAFolderOfTheUsers", true, false, Obstacle::kNone,
                     {L"letter.doc"}},
        DeletionCase{"EveryFileBesideASubfolder", true, true, Obstacle::kSubfolder, {L"skins"}},
        DeletionCase{"EveryFileOnceALockedOneIsLetGo", true, true, Obstacle::kLockedFile, {}}),
    CaseName());

// ---------------------------------------------------------------------------
// An installation in a drive root, the Windows directory or below it, or a
// program-files or common-files folder of either bitness, in whatever spelling
// the install was typed: "delete all files" deletes only the program's own there.
// A folder this system lacks (the "(x86)" ones of a 32-bit system) is skipped.

struct SharedFolderCase {
  const char* name;
  const wchar_t* typed;   // the folder as recorded by the install
  const wchar_t* folder;  // the same folder as the system names it
  friend std::ostream& operator<<(std::ostream& out, const SharedFolderCase& given) {
    return out << given.name;
  }
};

class SharedFolderTest : public UninstallTest,
                         public ::testing::WithParamInterface<SharedFolderCase> {};

TEST_P(SharedFolderTest, DeleteAllKeepsTheOtherFilesThere) {
  const SharedFolderCase& given = GetParam();
  if (!FolderExists(given.folder)) GTEST_SKIP() << "this system has no such folder";
  const std::wstring userFile = JoinPath(given.folder, L"kq-user-notes.txt");
  std::list<FileGuard> guards;
  for (const wchar_t* name : kDistributedFiles) guards.emplace_back(JoinPath(given.folder, name));
  guards.emplace_back(JoinPath(given.folder, L"kalquint.exe"));
  guards.emplace_back(userFile);
  PrepareInstallationIn(given.typed, L"v3105");
  WriteFileBytes(userFile, "the user's notes");

  Finish(RunUninstall(OpenUninstallPage(), true));

  EXPECT_EQ(ReadFileBytes(userFile), "the user's notes");
  EXPECT_TRUE(FileExists(JoinPath(given.folder, L"dates.txt")));
  EXPECT_FALSE(FileExists(JoinPath(given.folder, L"kalquint.exe")));
  EXPECT_TRUE(FolderExists(given.folder));
  EXPECT_TRUE(UninstallerIsScheduled());
}

INSTANTIATE_TEST_SUITE_P(
    Spellings, SharedFolderTest,
    ::testing::Values(SharedFolderCase{"DriveRootDoubledBackslash", L"C:\\\\", L"C:\\"},
                      SharedFolderCase{"DriveRootDotStep", L"C:\\.\\", L"C:\\"},
                      SharedFolderCase{"WindowsDotStep", L"C:\\windows\\.\\", L"C:\\windows"},
                      SharedFolderCase{"WindowsOtherCaseAndDotDot",
                                       L"c:\\WINDOWS\\system32\\..\\", L"C:\\windows"},
                      SharedFolderCase{"WindowsWithDevicePrefix", L"\\\\?\\C:\\windows\\",
                                       L"C:\\windows"},
                      SharedFolderCase{"BelowWindows", L"C:\\windows\\temp\\", L"C:\\windows\\temp"},
                      SharedFolderCase{"CommonFiles", L"C:\\Program Files\\Common Files\\",
                                       L"C:\\Program Files\\Common Files"},
                      // Both bitnesses' folders, whichever the setup's own view names.
                      SharedFolderCase{"ProgramFiles", L"C:\\Program Files", L"C:\\Program Files"},
                      SharedFolderCase{"ProgramFilesX86", L"c:\\program files (x86)\\",
                                       L"C:\\Program Files (x86)"},
                      SharedFolderCase{"CommonFilesX86", L"C:\\Program Files (x86)\\Common Files",
                                       L"C:\\Program Files (x86)\\Common Files"},
                      SharedFolderCase{"ProgramData", L"C:\\ProgramData\\", L"C:\\ProgramData"},
                      SharedFolderCase{"SysWow64", L"C:\\windows\\syswow64\\",
                                       L"C:\\windows\\syswow64"}),
    CaseName());

// ---------------------------------------------------------------------------
// The program's "/UnregServer" run is waited for: one that needs longer than
// the second it used to get has ended, and its file is gone, when the page ends.

TEST_F(UninstallTest, WaitsForTheUnregisteringProgramBeforeDeletingItsFiles) {
  PrepareInstallation(L"slowunreg");
  const Page done = RunUninstall(OpenUninstallPage(), false);
  DWORD unregistering = 0;
  for (const StartRecord& start : ReadStartLog(StartLogPath())) {
    if (start.arguments == L"/UnregServer") unregistering = start.processId;
  }
  ASSERT_NE(unregistering, 0u) << "not started with /UnregServer";
  const ScopedHandle process(OpenProcess(SYNCHRONIZE, FALSE, unregistering));
  EXPECT_TRUE(!process.IsValid() || WaitForSingleObject(process.Get(), 0) == WAIT_OBJECT_0)
      << "still unregistering";
  EXPECT_FALSE(FileExists(Installed(L"kalquint.exe")));
  Finish(done);
}

// ---------------------------------------------------------------------------
// Shortcuts go by their names; the group folder only when nothing else is in it.

TEST_F(UninstallTest, DeletesTheShortcutsByNameAndKeepsAGroupFolderThatHoldsMore) {
  PrepareFullInstallation();
  const std::wstring readme = JoinPath(ProgramGroupFolder(), L"readme.txt");
  WriteFileBytes(readme, UserContent(L"readme.txt"));
  Finish(RunUninstall(OpenUninstallPage(), false));
  for (const std::wstring& link : Links()) EXPECT_FALSE(FileExists(link)) << Utf8(link);
  EXPECT_EQ(LowerCaseEntries(ProgramGroupFolder()), std::vector<std::wstring>{L"readme.txt"});
  DeleteFileW(readme.c_str());
}

// ---------------------------------------------------------------------------
// "Выход" ends the run at once.

TEST_F(UninstallTest, ExitChangesNothingAndShowsNoDonePage) {
  PrepareFullInstallation();
  const std::vector<std::wstring> files = LowerCaseEntries(InstalledFolder());
  const auto settings = ReadAllRegValues(HKEY_CURRENT_USER, kSettingsKey);
  const std::vector<PendingRename> pending = PendingRenames();

  const Page uninstall = OpenUninstallPage();
  uninstall.SetChecked(IDC_DELETE_ALL, true);
  uninstall.Click(IDCANCEL);
  // The done page would wait for its button: the run ending by itself shows there was none.
  EXPECT_EQ(run_->WaitForExit(), 0u);

  EXPECT_EQ(LowerCaseEntries(InstalledFolder()), files);
  EXPECT_EQ(ReadAllRegValues(HKEY_CURRENT_USER, kSettingsKey), settings);
  EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, kOlderVersionKey));
  EXPECT_TRUE(RegKeyExists(HKEY_CLASSES_ROOT, L"kqsfile\\shell\\open\\command"));
  EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  for (const std::wstring& link : Links()) EXPECT_TRUE(FileExists(link)) << Utf8(link);
  EXPECT_EQ(PendingRenames(), pending);
  EXPECT_TRUE(ReadStartLog(StartLogPath()).empty());
}

// ---------------------------------------------------------------------------
// A drive root holds more than the program: "delete all files" there deletes
// only the program's own files and keeps the rest.

TEST_F(UninstallTest, DeleteAllOnADriveRootDeletesOnlyTheProgramFiles) {
  const std::wstring root = folder_.MakeFolder(L"drive");
  const MappedDrive drive(root);
  PrepareInstallationIn(drive.Root(), L"v3105");
  WriteFileBytes(JoinPath(root, L"letter.doc"), UserContent(L"letter.doc"));
  ASSERT_EQ(ReadRegString(HKEY_CURRENT_USER, kSettingsKey, kLocationValue),
            drive.Root() + L"kalquint.exe");

  Finish(RunUninstall(OpenUninstallPage(), true));

  EXPECT_EQ(LowerCaseEntries(root),
            (std::vector<std::wstring>{L"dates.txt", L"events.txt", L"letter.doc", L"runs.txt"}));
  ExpectRegistryEntriesGone();
}

}  // namespace
