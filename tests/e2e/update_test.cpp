// The update wizard on a prepared installation of version 3.1.0.5, from a
// distribution of 3.2.0.0: the program files it replaces, the user's data files
// it keeps or backs up, and the conversion of the data-file lists in the
// settings from the older value naming.
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "tests/driver/case_name.h"
#include "tests/e2e/cycle_support.h"

namespace {

class UpdateTest : public CycleTest {
 protected:
  // An installation whose every file holds what the user made of it, so that
  // each replaced file shows.
  void PrepareChangedInstallation() {
    PrepareInstallation(L"v3105");
    for (const wchar_t* name : kDistributedFiles)
      WriteFileBytes(Installed(name), UserContent(name));
  }

  static std::string OlderBackup(const std::wstring& name) {
    return "an older backup of " + Utf8(name) + "\r\n";
  }

  // The program files are replaced on every update; events.txt never is.
  void ExpectProgramFilesReplaced() {
    EXPECT_EQ(ReadFileBytes(Installed(L"kalquint.exe")), ReadFileBytes(StandinPath(L"v3200")));
    for (const wchar_t* name : kProgramFilesBesideExe) {
      EXPECT_EQ(ReadFileBytes(Installed(name)), DistributedFile(name)) << Utf8(name);
    }
    EXPECT_EQ(ReadFileBytes(Installed(L"events.txt")), UserContent(L"events.txt"));
    EXPECT_FALSE(FileExists(Installed(L"events.txt.bak")));
  }
};

// ---------------------------------------------------------------------------
// Backups of dates.txt (box 1002) and runs.txt (box 1003).

enum class Content { kNone, kUser, kOlderBackup, kDistribution };

// One data file: its state before the update, whether its box is ticked, and
// its state afterwards.
struct DataFileCase {
  Content file;
  Content backup;
  bool ticked;
  Content fileAfter;
  Content backupAfter;
};

struct BackupCase {
  const char* name;
  DataFileCase dates;
  DataFileCase runs;
  friend std::ostream& operator<<(std::ostream& out, const BackupCase& given) {
    return out << given.name;
  }
};

class BackupTest : public UpdateTest, public ::testing::WithParamInterface<BackupCase> {
 protected:
  static std::optional<std::string> Expected(Content content, const std::wstring& name) {
    switch (content) {
      case Content::kUser:
        return UserContent(name);
      case Content::kOlderBackup:
        return OlderBackup(name);
      case Content::kDistribution:
        return DistributedFile(name);
      case Content::kNone:
        break;
    }
    return std::nullopt;
  }

  void Prepare(const std::wstring& name, const DataFileCase& given) {
    if (given.file == Content::kNone) DeleteFileW(Installed(name).c_str());
    if (given.backup == Content::kOlderBackup) {
      WriteFileBytes(Installed(name + L".bak"), OlderBackup(name));
    }
  }

  void ExpectAfter(const std::wstring& name, const DataFileCase& given) {
    EXPECT_EQ(ReadFileBytes(Installed(name)), Expected(given.fileAfter, name)) << Utf8(name);
    EXPECT_EQ(ReadFileBytes(Installed(name + L".bak")), Expected(given.backupAfter, name))
        << Utf8(name) << ".bak";
  }
};

TEST_P(BackupTest, ReplacesTheTickedDataFilesAndKeepsTheUsersInTheBackup) {
  const BackupCase& given = GetParam();
  PrepareChangedInstallation();
  Prepare(L"dates.txt", given.dates);
  Prepare(L"runs.txt", given.runs);

  Finish(RunUpdate(OpenUpdatePage(), given.dates.ticked, given.runs.ticked));

  ExpectAfter(L"dates.txt", given.dates);
  ExpectAfter(L"runs.txt", given.runs);
  ExpectProgramFilesReplaced();
  EXPECT_TRUE(WasStarted(Installed(L"kalquint.exe"), L"/RegServer"));
}

constexpr Content kNone = Content::kNone;
constexpr Content kUser = Content::kUser;
constexpr Content kOlder = Content::kOlderBackup;
constexpr Content kDistribution = Content::kDistribution;

// file, backup, ticked -> file, backup
constexpr DataFileCase kUntouched = {kUser, kNone, false, kUser, kNone};
constexpr DataFileCase kFirstBackup = {kUser, kNone, true, kDistribution, kUser};

INSTANTIATE_TEST_SUITE_P(
    Boxes, BackupTest,
    ::testing::Values(BackupCase{"NoBox", {kUser, kOlder, false, kUser, kOlder}, kUntouched},
                      BackupCase{"DatesBox", kFirstBackup, kUntouched},
                      BackupCase{"RunsBox", kUntouched, kFirstBackup},
                      // The backup holds the user's current file, never an older one.
                      BackupCase{"BothBoxesOverOlderBackups",
                                 {kUser, kOlder, true, kDistribution, kUser},
                                 {kUser, kOlder, true, kDistribution, kUser}},
                      // Nothing to keep: the distribution's file is put in place.
                      BackupCase{"BothBoxesWithoutTheFiles",
                                 {kNone, kNone, true, kDistribution, kNone},
                                 {kNone, kOlder, true, kDistribution, kOlder}}),
    CaseName());

// A dates.txt that another program holds open cannot be backed up, also when
// that program lets others write to it but not rename it: the update cannot do
// what was asked, says so, and takes back all it changed, the program files
// too. The user's file and the older backup stay as they were.
struct LockCase {
  const char* name;
  DWORD sharing;
  friend std::ostream& operator<<(std::ostream& out, const LockCase& given) {
    return out << given.name;
  }
};

class LockedDatesTest : public UpdateTest, public ::testing::WithParamInterface<LockCase> {};

TEST_P(LockedDatesTest, StopsTheUpdateWhichChangesNothing) {
  PrepareChangedInstallation();
  WriteFileBytes(Installed(L"dates.txt.bak"), OlderBackup(L"dates.txt"));
  const std::map<std::wstring, std::string> before = FolderContents(InstalledFolder());
  {
    const LockedFile locked(Installed(L"dates.txt"), GetParam().sharing);
    const Page update = OpenUpdatePage();
    update.SetChecked(IDC_BACKUP_DATES, true);
    update.Click(IDOK);
    const MessageBoxWindow box = run_->WaitForMessageBox();
    EXPECT_EQ(box.Message(), L"Программа KALENDRO! quintara закрыта, но её файл в папке\n" +
                                 Installed(L"") + L"\nне удалось заменить. Проверьте права на эту папку.");
    box.PressOk();
    box.WaitClosed();
    run_->Advance(update, IDCANCEL, kWelcomeCaption).Click(IDCANCEL);
    EXPECT_EQ(run_->WaitForExit(), 0u);
  }
  EXPECT_EQ(FolderContents(InstalledFolder()), before);
}

INSTANTIATE_TEST_SUITE_P(
    Sharing, LockedDatesTest,
    ::testing::Values(LockCase{"NoSharing", 0},
                      LockCase{"ReadAndWriteSharing", FILE_SHARE_READ | FILE_SHARE_WRITE}),
    CaseName());

// ---------------------------------------------------------------------------
// A main program that cannot be replaced (here: the distribution has none)
// stops the update before anything else changes: no backup, no other copy,
// however often the user tries again; the message says what failed.

TEST_F(UpdateTest, AProgramThatCannotBeReplacedChangesNothingOnEveryTry) {
  PrepareChangedInstallation();
  const std::map<std::wstring, std::string> before = FolderContents(InstalledFolder());
  SetupRun& run = Start(Distribution(kNoProgram), L"/setup", LogEnvironment());
  const Page update = run.Advance(run.WaitForPage(kWelcomeCaption), IDOK, kUpdateCaption);
  update.SetChecked(IDC_BACKUP_DATES, true);
  for (int attempt = 0; attempt < 2; ++attempt) {
    update.Click(IDOK);
    const MessageBoxWindow box = run.WaitForMessageBox();
    EXPECT_EQ(box.Message(), L"Программа KALENDRO! quintara закрыта, но её файл в папке\n" +
                                 InstalledFolder() +
                                 L"\\\nне удалось заменить. Проверьте права на эту папку.");
    box.PressOk();
    box.WaitClosed();
    EXPECT_EQ(FolderContents(InstalledFolder()), before) << "attempt " << attempt + 1;
  }
  EXPECT_EQ(ReadFileBytes(Installed(L"dates.txt")), UserContent(L"dates.txt"));
  EXPECT_FALSE(FileExists(Installed(L"dates.txt.bak")));
  run.Advance(update, IDCANCEL, kWelcomeCaption).Click(IDCANCEL);
  EXPECT_EQ(run.WaitForExit(), 0u);
}

// ---------------------------------------------------------------------------
// Conversion of the data-file lists: old entries "DatesFile<n>" counted by
// "NumberOfDatesFiles" are written again as "DatesFile<nnn>"; the old ones stay.

struct ConversionCase {
  const char* name;
  std::vector<NamedValue> before;  // besides Location
  std::vector<NamedValue> added;   // the values the update adds, all of them
  friend std::ostream& operator<<(std::ostream& out, const ConversionCase& given) {
    return out << given.name;
  }
};

class ConversionTest : public UpdateTest, public ::testing::WithParamInterface<ConversionCase> {};

TEST_P(ConversionTest, WritesTheCurrentNamesAndKeepsTheOldOnes) {
  PrepareInstallation(L"v3105");
  for (const NamedValue& value : GetParam().before) {
    WriteRegValue(HKEY_CURRENT_USER, kSettingsKey, value.name, value.value);
  }
  const auto before = ReadAllRegValues(HKEY_CURRENT_USER, kSettingsKey);
  std::map<std::wstring, RegValue> expected = before;
  for (const NamedValue& value : GetParam().added) expected[value.name] = value.value;

  const Page update = OpenUpdatePage();
  const auto start = std::chrono::steady_clock::now();
  const Page done = RunUpdate(update, false, false);
  // Even a count of 0x7FFFFFFF is done with at once.
  EXPECT_LT(MillisecondsSince(start), 10000);
  Finish(done);

  EXPECT_EQ(ReadAllRegValues(HKEY_CURRENT_USER, kSettingsKey), expected);
}

RegValue Path(const std::wstring& path) { return StringValue(path); }
RegValue Count(DWORD number) { return NumberValue(number, REG_DWORD); }

std::vector<NamedValue> TwoEntriesOfEachKind() {
  return {{L"NumberOfDatesFiles", Count(2)},     {L"DatesFile1", Path(L"C:\\d1.txt")},
          {L"DatesFile2", Path(L"C:\\d2.txt")},  {L"NumberOfEventsFiles", Count(2)},
          {L"EventsFile1", Path(L"C:\\e1.txt")}, {L"EventsFile2", Path(L"C:\\e2.txt")},
          {L"NumberOfRunsFiles", Count(2)},      {L"RunsFile1", Path(L"C:\\r1.txt")},
          {L"RunsFile2", Path(L"C:\\r2.txt")}};
}

// Any list already in the current naming: nothing of any kind is converted.
ConversionCase AlreadyConverted(const char* name, const wchar_t* currentValue) {
  std::vector<NamedValue> before = TwoEntriesOfEachKind();
  before.push_back({currentValue, Path(L"C:\\current.txt")});
  return {name, before, {}};
}

INSTANTIATE_TEST_SUITE_P(
    Settings, ConversionTest,
    ::testing::Values(ConversionCase{"EveryKind",
                                     TwoEntriesOfEachKind(),
                                     {{L"DatesFile001", Path(L"C:\\d1.txt")},
                                      {L"DatesFile002", Path(L"C:\\d2.txt")},
                                      {L"EventsFile001", Path(L"C:\\e1.txt")},
                                      {L"EventsFile002", Path(L"C:\\e2.txt")},
                                      {L"RunsFile001", Path(L"C:\\r1.txt")},
                                      {L"RunsFile002", Path(L"C:\\r2.txt")}}},
                      // Gaps keep their numbers.
                      ConversionCase{"CountWithAGap",
                                     {{L"NumberOfDatesFiles", Count(3)},
                                      {L"DatesFile1", Path(L"C:\\Даты\\1.txt")},
                                      {L"DatesFile3", Path(L"C:\\Даты\\3.txt")}},
                                     {{L"DatesFile001", Path(L"C:\\Даты\\1.txt")},
                                      {L"DatesFile003", Path(L"C:\\Даты\\3.txt")}}},
                      ConversionCase{"ZeroNegativeAndMissingCounts",
                                     {{L"NumberOfDatesFiles", Count(0)},
                                      {L"DatesFile1", Path(L"C:\\d1.txt")},
                                      {L"NumberOfEventsFiles", Count(0xFFFFFFFF)},
                                      {L"EventsFile1", Path(L"C:\\e1.txt")},
                                      {L"RunsFile1", Path(L"C:\\r1.txt")}},
                                     {}},
                      // A count stored as 4 bytes of REG_BINARY counts too; a value longer than
                      // 260 bytes cannot be read and is left out.
                      ConversionCase{"BinaryCountAndOverlongEntry",
                                     {{L"NumberOfEventsFiles", NumberValue(2, REG_BINARY)},
                                      {L"EventsFile1", Path(L"C:\\" + std::wstring(300, L'e'))},
                                      {L"EventsFile2", Path(L"C:\\e2.txt")}},
                                     {{L"EventsFile002", Path(L"C:\\e2.txt")}}},
                      // From entry 100 on both namings are the same name: the cap cannot be
                      // seen in the values, only in the time the page takes.
                      ConversionCase{"HugeCount",
                                     {{L"NumberOfRunsFiles", Count(0x7FFFFFFF)},
                                      {L"RunsFile1", Path(L"C:\\r1.txt")},
                                      {L"RunsFile99", Path(L"C:\\r99.txt")},
                                      {L"RunsFile1000", Path(L"C:\\r1000.txt")}},
                                     {{L"RunsFile001", Path(L"C:\\r1.txt")},
                                      {L"RunsFile099", Path(L"C:\\r99.txt")}}},
                      AlreadyConverted("CurrentDatesList", L"DatesFile001"),
                      AlreadyConverted("CurrentEventsList", L"EventsFile001"),
                      AlreadyConverted("CurrentRunsList", L"RunsFile001")),
    CaseName());

}  // namespace
