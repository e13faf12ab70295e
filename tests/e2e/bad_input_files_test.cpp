// Files on a real machine that are not as the setup expects them: a huge, a
// read-only or a locked WININIT.INI, a data file held open by another program,
// read-only installed files, and a distribution folder with files missing. The
// wizard must finish without a crash or a message, and lose none of the user's data.
#include <algorithm>
#include <chrono>
#include <map>
#include <ostream>
#include <string>
#include <optional>
#include <vector>

#include "res/resource_ids.h"
#include "setup/scoped.h"
#include "tests/driver/case_name.h"
#include "tests/driver/driver_common.h"
#include "tests/e2e/bad_input_support.h"

namespace {

const std::string kUserDates = "01.01|New year\r\n08.03|The user's own date\r\n";

// Opened with no sharing: no other program may read, write or rename the file.
ScopedFile HoldExclusively(const std::wstring& path) {
  return ScopedFile(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
}

// ---------------------------------------------------------------------------
// The uninstall on the older family of systems puts its own file under the
// "[rename]" section of WININIT.INI. It runs as the uninstaller's copy in the
// Windows directory (only that copy deletes itself), which Wine presents with
// Windows 98.

const std::string kRenameHeader = "[rename]\r\n";

class WininitTest : public BadInputTest {
 protected:
  WininitTest() : windows98_(L"kquninst.exe"), wininit_(WindowsFolderFile(L"WININIT.INI")) {}

  void SetUp() override {
    BadInputTest::SetUp();
    InstallProgram(L"v3105");
    PlaceUserFile(L"dates.txt", kUserDates);
    uninstaller_ = UninstallerCopyPath();
    CopyFileOrThrow(JoinPath(DistributionDir(), L"install.exe"), uninstaller_);
  }

  const std::wstring& WininitPath() const { return wininit_.Path(); }

  // The whole uninstall, up to the end of its run.
  void Uninstall() {
    StartLogged(uninstaller_, L"");
    Finish(Step(WaitForOnlyPage(kUninstallCaption), IDOK, kUninstallCaption));
    EXPECT_FALSE(FileExists(InstalledFile(L"kalquint.exe")));
    EXPECT_TRUE(SameBytes(ReadFileBytes(InstalledFile(L"dates.txt")), kUserDates));
  }

  // An uninstall stopped by a WININIT.INI it cannot write: the page says so
  // and nothing is removed, so that a run once the file can be written finishes.
  void UninstallStops() {
    StartLogged(uninstaller_, L"");
    const Page uninstall = WaitForOnlyPage(kUninstallCaption);
    uninstall.Click(IDOK);
    const MessageBoxWindow box = run_->WaitForMessageBox();
    box.PressOk();
    box.WaitClosed();
    uninstall.Click(IDCANCEL);
    ExpectEndsCleanly();
    EXPECT_TRUE(FileExists(InstalledFile(L"kalquint.exe")));
    EXPECT_TRUE(SameBytes(ReadFileBytes(InstalledFile(L"dates.txt")), kUserDates));
  }

  // `text` with the uninstaller's deletion entry (its short path) first under its
  // first section.
  std::string WithDeletionEntry(const std::string& text) const {
    const std::string::size_type section = text.find(kRenameHeader) + kRenameHeader.size();
    return text.substr(0, section) + "NUL=" + Utf8(ShortPath(uninstaller_)) + "\r\n" +
           text.substr(section);
  }

 private:
  Windows98Mode windows98_;
  FileGuard wininit_;
  std::wstring uninstaller_;
};

// About a megabyte of other sections before "[rename]" and some after it.
std::string MegabyteOfWininit() {
  std::string text = "[boot]\r\nshell=Explorer.exe\r\n[386Enh]\r\n";
  for (int line = 0; text.size() < 1000000; ++line) {
    text += "device" + std::to_string(line) + "=C:\\WINDOWS\\SYSTEM\\VXD" +
            std::to_string(line % 97) + ".386\r\n";
  }
  text += kRenameHeader + "C:\\WINDOWS\\OLD.DLL=C:\\WINDOWS\\NEW.DLL\r\n";
  text += "[drivers]\r\nwave=mmsystem.dll\r\n";
  return text;
}

TEST_F(WininitTest, MegabyteFileKeepsAllItsContentWithTheEntryInserted) {
  const std::string before = MegabyteOfWininit();
  WriteFileBytes(WininitPath(), before);
  Uninstall();
  EXPECT_TRUE(SameBytes(ReadFileBytes(WininitPath()), WithDeletionEntry(before)));
}

TEST_F(WininitTest, ReadOnlyFileIsLeftAlone) {
  const std::string before = kRenameHeader + "C:\\WINDOWS\\OLD.DLL=C:\\WINDOWS\\NEW.DLL\r\n";
  WriteFileBytes(WininitPath(), before);
  ASSERT_TRUE(SetFileAttributesW(WininitPath().c_str(), FILE_ATTRIBUTE_READONLY));
  UninstallStops();
  // Also where Wine, run by root, would let the file be written.
  EXPECT_TRUE(SameBytes(ReadFileBytes(WininitPath()), before));
  EXPECT_NE(GetFileAttributesW(WininitPath().c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
}

TEST_F(WininitTest, LockedFileIsLeftAlone) {
  const std::string before = kRenameHeader + "C:\\WINDOWS\\OLD.DLL=C:\\WINDOWS\\NEW.DLL\r\n";
  WriteFileBytes(WininitPath(), before);
  {
    const ScopedFile held = HoldExclusively(WininitPath());
    ASSERT_TRUE(held.IsValid());
    UninstallStops();
  }
  EXPECT_TRUE(SameBytes(ReadFileBytes(WininitPath()), before));
}

// ---------------------------------------------------------------------------
// The user's dates.txt held open by another program while the update would back
// it up and replace it: the update stops, and the file survives in place.

TEST_F(BadInputTest, LockedDatesFileSurvivesAnUpdate) {
  InstallProgram(L"v3200");
  const std::wstring dates = PlaceUserFile(L"dates.txt", kUserDates);
  {
    const ScopedFile held = HoldExclusively(dates);
    ASSERT_TRUE(held.IsValid());
    StartLogged(Distribution(L"v3105"), L"/setup");
    const Page update = Step(WaitForOnlyPage(kWelcomeCaption), IDOK, kUpdateCaption);
    update.SetChecked(IDC_BACKUP_DATES, true);
    update.Click(IDOK);
    run_->WaitForMessageBox().PressOk();
    Step(update, IDCANCEL, kWelcomeCaption).Click(IDCANCEL);
    ExpectEndsCleanly();
  }
  EXPECT_EQ(ReadFileBytes(dates), kUserDates);
  EXPECT_FALSE(FileExists(dates + L".bak"));
  // The rest of the update was taken back: it brought update.txt.
  EXPECT_FALSE(FileExists(InstalledFile(L"update.txt")));
}

// ---------------------------------------------------------------------------
// Read-only installed files and folder (as copied from a CD by an older setup):
// the setup's own files go all the same; a file the user made read-only stays
// whole, and the uninstall finishes.

struct ReadOnlyCase {
  const char* name;
  bool deleteAll;
  std::vector<std::wstring> readOnly;  // besides the folder itself
  std::vector<std::wstring> gone;
  friend std::ostream& operator<<(std::ostream& out, const ReadOnlyCase& given) {
    return out << given.name;
  }
};

class ReadOnlyUninstallTest : public BadInputTest,
                              public ::testing::WithParamInterface<ReadOnlyCase> {
 protected:
  // Every file of the installation and its bytes.
  std::map<std::wstring, std::string> MakeInstallation() {
    InstallProgram(L"v3105");
    std::map<std::wstring, std::string> files = {
        {L"kalquint.exe", *ReadFileBytes(InstalledFile(L"kalquint.exe"))},
        {L"kalquint.cnt", ":Base kalquint.hlp\r\n"},
        {L"kalquint.hlp", "help of the installed version"},
        {L"update.txt", "what changed"},
        {L"dates.txt", kUserDates},
        {L"winter.kqs", "a skin of the user's"},
    };
    for (const auto& file : files) {
      if (file.first != L"kalquint.exe") PlaceUserFile(file.first, file.second);
    }
    return files;
  }
};

TEST_P(ReadOnlyUninstallTest, FinishesAndKeepsWhatItCannotDelete) {
  const ReadOnlyCase& given = GetParam();
  const std::map<std::wstring, std::string> files = MakeInstallation();
  for (const std::wstring& name : given.readOnly) {
    ASSERT_TRUE(SetFileAttributesW(InstalledFile(name).c_str(), FILE_ATTRIBUTE_READONLY));
  }
  ASSERT_TRUE(SetFileAttributesW(InstalledFolder().c_str(), FILE_ATTRIBUTE_READONLY));

  StartLogged(UninstallModeCopy(), L"");
  const Page uninstall = WaitForOnlyPage(kUninstallCaption);
  uninstall.SetChecked(IDC_DELETE_ALL, given.deleteAll);
  Finish(Step(uninstall, IDOK, kUninstallCaption));

  for (const auto& file : files) {
    const bool gone = std::find(given.gone.begin(), given.gone.end(), file.first) != given.gone.end();
    if (gone) {
      EXPECT_FALSE(FileExists(InstalledFile(file.first))) << Utf8(file.first) << " stayed";
    } else {
      EXPECT_TRUE(SameBytes(ReadFileBytes(InstalledFile(file.first)), file.second))
          << Utf8(file.first);
    }
  }
  EXPECT_TRUE(FileExists(InstalledFolder()));
  EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, L"Software\\Morvane\\K!q"));
}

INSTANTIATE_TEST_SUITE_P(
    Installations, ReadOnlyUninstallTest,
    ::testing::Values(
        ReadOnlyCase{"ProgramFiles", false, {L"kalquint.exe", L"kalquint.hlp"},
                     {L"kalquint.exe", L"kalquint.cnt", L"kalquint.hlp", L"update.txt"}},
        ReadOnlyCase{"DeleteAllWithReadOnlyFiles", true,
                     {L"kalquint.hlp", L"dates.txt", L"winter.kqs"},
                     {L"kalquint.exe", L"kalquint.cnt", L"kalquint.hlp", L"update.txt",
                      L"dates.txt"}}),
    CaseName());

// ---------------------------------------------------------------------------
// A distribution on a CD: every file read-only, which a copy keeps. Whatever the
// setup copies ends up writable, so that the program can save its data and an
// update and the uninstall can replace and delete what the install put there.

const wchar_t* const kProgramFiles[] = {L"kalquint.exe", L"kalquint.hlp", L"kalquint.cnt",
                                        L"update.txt"};

bool IsWritable(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) == 0;
}

TEST_F(BadInputTest, ReadOnlyDistributionInstallsWritableFiles) {
  const auto readOnlyDistribution = [&](const std::wstring& variant) {
    const std::wstring installExe = Distribution(variant);
    const std::wstring folder = installExe.substr(0, installExe.rfind(L'\\'));
    for (const std::wstring& name : FolderEntries(folder)) {
      SetFileAttributesW(JoinPath(folder, name).c_str(), FILE_ATTRIBUTE_READONLY);
    }
    return installExe;
  };
  const std::wstring target = folder_.File(L"target");
  EXPECT_EQ(StartLogged(readOnlyDistribution(L"v3105"), L"/setup /quiet /dir=\"" + target + L"\"")
                .WaitForExit(),
            0u);
  for (const std::wstring& name : kInstalledFileNames) {
    EXPECT_TRUE(IsWritable(JoinPath(target, name))) << Utf8(name) << " after the install";
  }
  EXPECT_TRUE(IsWritable(UninstallerCopyPath()));

  // The user's own dates, which the update keeps as the backup.
  WriteFileBytes(JoinPath(target, L"dates.txt"), kUserDates);
  EXPECT_EQ(StartLogged(readOnlyDistribution(L"v3200"), L"/setup /quiet /backup=dates,runs")
                .WaitForExit(),
            0u);
  EXPECT_EQ(ReadFileBytes(JoinPath(target, L"kalquint.exe")), ReadFileBytes(StandinPath(L"v3200")));
  for (const wchar_t* name : {L"kalquint.exe", L"dates.txt", L"dates.txt.bak", L"runs.txt"}) {
    EXPECT_TRUE(IsWritable(JoinPath(target, name))) << Utf8(name) << " after the update";
  }

  EXPECT_EQ(StartLogged(UninstallModeCopy(), L"/quiet").WaitForExit(), 0u);
  for (const wchar_t* name : kProgramFiles) {
    EXPECT_FALSE(FileExists(JoinPath(target, name))) << Utf8(name) << " after the uninstall";
  }
}

// ---------------------------------------------------------------------------
// A distribution folder with files missing: the install finishes and puts in
// place the files that are there.

struct MissingFilesCase {
  const char* name;
  const wchar_t* variant;  // the distribution's kalquint.exe, or kNoProgram
  std::vector<std::wstring> missing;
  friend std::ostream& operator<<(std::ostream& out, const MissingFilesCase& given) {
    return out << given.name;
  }
};

class MissingDistributionFilesTest : public BadInputTest,
                                     public ::testing::WithParamInterface<MissingFilesCase> {};

TEST_P(MissingDistributionFilesTest, InstallsThePresentFiles) {
  const MissingFilesCase& given = GetParam();
  const std::wstring installExe = Distribution(given.variant);
  const std::wstring distribution = installExe.substr(0, installExe.rfind(L'\\'));
  for (const std::wstring& name : given.missing) DeleteFileW(JoinPath(distribution, name).c_str());
  const std::wstring target = folder_.File(L"target");

  StartLogged(installExe, L"/setup");
  const Page path = Step(WaitForOnlyPage(kWelcomeCaption), IDOK, kPathCaption);
  path.SetText(IDC_PATH_EDIT, target);
  const Page options = Step(path, IDOK, kOptionsCaption);
  Finish(Step(options, IDOK, kInstallDoneCaption));

  for (const std::wstring& name : kInstalledFileNames) {
    const bool missing =
        std::find(given.missing.begin(), given.missing.end(), name) != given.missing.end();
    EXPECT_EQ(FileExists(JoinPath(target, name)), !missing) << Utf8(name);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Distributions, MissingDistributionFilesTest,
    ::testing::Values(MissingFilesCase{"NoHelpNoUpdate", L"v3105",
                                       {L"kalquint.hlp", L"update.txt"}}),
    CaseName());

// Without the main program in the distribution nothing is installed, and the
// attempt takes back what it put there: a folder it made, and the files it
// added to a folder that was there (whose own files stay).
TEST_F(BadInputTest, DistributionWithoutTheProgramIsRefused) {
  const std::wstring existing = folder_.MakeFolder(L"existing");
  WriteFileBytes(JoinPath(existing, L"notes.txt"), "the user's notes");
  WriteFileBytes(JoinPath(existing, L"kalquint.hlp"), "an older help");
  const std::vector<std::wstring> before = FolderEntries(existing);
  const std::wstring withoutProgram = Distribution(kNoProgram);
  StartLogged(withoutProgram, L"/setup");
  const Page path = Step(WaitForOnlyPage(kWelcomeCaption), IDOK, kPathCaption);
  ExpectInstallRefused(path, folder_.File(L"target"));
  EXPECT_FALSE(FileExists(folder_.File(L"target")));
  ExpectInstallRefused(path, existing);
  EXPECT_EQ(FolderEntries(existing), before);
  EXPECT_EQ(ReadFileBytes(JoinPath(existing, L"notes.txt")), "the user's notes");
  Step(path, IDCANCEL, kWelcomeCaption).Click(IDCANCEL);
  ExpectEndsCleanly();
  // Unattended, the same failure is exit code 1, with nothing left behind.
  const std::wstring quiet = folder_.File(L"quiet");
  EXPECT_EQ(StartLogged(withoutProgram, L"/setup /quiet /dir=\"" + quiet + L"\"")
                .WaitForExit(),
            1u);
  EXPECT_FALSE(FileExists(quiet));
  EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
}

// The installed folder replaced by a link to another folder of the user's: the
// update, the plain uninstall and "delete all files" change nothing behind it,
// fail, and keep the records that lead back to the installation.
TEST_F(BadInputTest, InstalledFolderReplacedByALinkIsLeftAlone) {
  const std::wstring installed = folder_.File(L"KQ");
  ASSERT_EQ(StartLogged(Distribution(L"v3105"), L"/setup /quiet /dir=\"" + installed + L"\"")
                .WaitForExit(),
            0u);
  // The program's registration run works in the folder, which is in use until it ends.
  ASSERT_TRUE(WaitUntil(
      [&] { return MoveFileW(installed.c_str(), folder_.File(L"KQ-moved").c_str()) != FALSE; },
      std::chrono::seconds(10)));
  const std::wstring other = folder_.MakeFolder(L"other");
  const std::vector<std::wstring> theirs = {L"kalquint.exe", L"kalquint.hlp", L"notes.kqs",
                                            L"report.txt", L"update.txt"};
  for (const std::wstring& name : theirs) WriteFileBytes(JoinPath(other, name), kUserDates);
  // A program there, so that the update and the uninstall find an installation.
  CopyFileOrThrow(StandinPath(L"v3105"), JoinPath(other, L"kalquint.exe"));
  std::vector<std::optional<std::string>> before;
  for (const std::wstring& name : theirs) before.push_back(ReadFileBytes(JoinPath(other, name)));
  MakeHostLink(installed, other);

  EXPECT_EQ(StartLogged(Distribution(L"v3200"), L"/setup /quiet").WaitForExit(), 1u);
  EXPECT_EQ(StartLogged(UninstallerCopyPath(), L"/quiet").WaitForExit(), 1u);
  SetupRun& wizard = StartLogged(UninstallerCopyPath(), L"");
  const Page page = wizard.WaitForPage(kUninstallCaption);
  page.SetChecked(IDC_DELETE_ALL, true);
  page.Click(IDOK);
  const MessageBoxWindow box = wizard.WaitForMessageBox();
  EXPECT_EQ(box.Message(), L"Папка\n" + installed +
                               L"\\\nстала ссылкой или её могут изменить другие пользователи. "
                               L"Ничего не изменено.");
  box.PressOk();
  box.WaitClosed();
  page.Click(IDCANCEL);
  EXPECT_EQ(wizard.WaitForExit(), 0u);

  EXPECT_EQ(FolderEntries(other), theirs);
  for (size_t index = 0; index < theirs.size(); ++index) {
    EXPECT_EQ(ReadFileBytes(JoinPath(other, theirs[index])), before[index]) << Utf8(theirs[index]);
  }
  EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  EXPECT_TRUE(FileExists(UninstallerCopyPath()));
}

}  // namespace
