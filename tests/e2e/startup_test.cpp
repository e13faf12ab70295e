// Start-up, mode selection and the first steps of the wizards, driven through
// the windows of the real install.exe. Each test sets up the machine (registry,
// files), acts on a page as a user would, and checks the window that follows.
#include <ostream>
#include <string>

#include "res/resource_ids.h"
#include "tests/driver/case_name.h"
#include "tests/driver/setup_names.h"
#include "tests/driver/wizard_driver.h"
#include "tests/driver/wizard_test.h"

namespace {

const wchar_t kDistributionVersion[] = L"3.1.0.5";

class StartupTest : public WizardTest {
 protected:
  // Starts the install.exe of a distribution in the test's folder, whichever mode
  // `arguments` select.
  SetupRun& StartSetup(const std::wstring& arguments) {
    if (setup_.empty()) setup_ = Distribution(L"v3105");
    return Start(setup_, arguments);
  }

  // The folder of the test's installation, made on first use.
  const std::wstring& InstalledFolder() {
    if (installed_.empty()) installed_ = folder_.MakeFolder(L"installed");
    return installed_;
  }

  // The stand-in `variant` copied as `name` into the installed folder; its path.
  std::wstring PlaceProgram(const std::wstring& variant, const std::wstring& name) {
    const std::wstring program = JoinPath(InstalledFolder(), name);
    CopyFileOrThrow(StandinPath(variant), program);
    return program;
  }

  static void SetLocation(const std::wstring& path) {
    WriteRegString(HKEY_CURRENT_USER, kSettingsKey, kLocationValue, path);
  }

  // The welcome page of a run started with /setup, showing the distribution's version.
  static Page WaitForWelcome(const SetupRun& run) {
    const Page welcome = run.WaitForPage(kWelcomeCaption);
    EXPECT_TRUE(ShowsText(welcome, IDC_PAGE_TEXT, WelcomeText(kDistributionVersion)));
    return welcome;
  }

  static void ExpectUnchecked(const Page& page, std::initializer_list<int> checkBoxes) {
    for (int id : checkBoxes) EXPECT_FALSE(page.IsChecked(id)) << "check box " << id;
  }

  // Uninstall mode's start-up check failed: the message box is the only window,
  // and no page follows it.
  static void ExpectPathNotFoundThenEnd(const SetupRun& run) {
    const MessageBoxWindow box = run.WaitForMessageBox();
    EXPECT_EQ(run.TopLevelWindows().size(), 1u);
    EXPECT_EQ(box.Message(), L"Путь не найден!");
    EXPECT_TRUE(box.ShowsStopIcon());
    box.PressOk();
    EXPECT_EQ(run.WaitForExit(), 0u);
  }

 private:
  std::wstring setup_;
  std::wstring installed_;
};

// ---------------------------------------------------------------------------
// The second button and Esc end each page alike.

enum class Leave { kSecondButton, kEscape };

class SecondButtonTest : public StartupTest, public ::testing::WithParamInterface<Leave> {
 protected:
  void LeavePage(const Page& page) const {
    if (GetParam() == Leave::kEscape) {
      page.PressEscape();
    } else {
      page.Click(IDCANCEL);
    }
    page.WaitClosed();
  }
};

TEST_P(SecondButtonTest, OnWelcomeEndsTheRunWithNothingWritten) {
  SetupRun& run = StartSetup(L"/setup");
  LeavePage(WaitForWelcome(run));
  EXPECT_EQ(run.WaitForExit(), 0u);
  EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, L"Software\\Morvane\\K!q"));
  EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE,
                            L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kalendro"));
  EXPECT_FALSE(FileExists(UninstallerCopyPath()));
}

TEST_P(SecondButtonTest, OnPathPageReturnsToWelcome) {
  SetupRun& run = StartSetup(L"/setup");
  const Page path = run.Advance(WaitForWelcome(run), IDOK, kPathCaption);
  LeavePage(path);
  WaitForWelcome(run).Click(IDCANCEL);
  EXPECT_EQ(run.WaitForExit(), 0u);
}

TEST_P(SecondButtonTest, OnUpdatePageReturnsToWelcome) {
  SetLocation(PlaceProgram(L"v3200", L"kalquint.exe"));
  SetupRun& run = StartSetup(L"/setup");
  const Page update = run.Advance(WaitForWelcome(run), IDOK, kUpdateCaption);
  ExpectUnchecked(update, {IDC_BACKUP_DATES, IDC_BACKUP_RUNS});
  LeavePage(update);
  // The welcome page still shows the distribution's version, not the installed one.
  WaitForWelcome(run).Click(IDCANCEL);
  EXPECT_EQ(run.WaitForExit(), 0u);
}

TEST_P(SecondButtonTest, OnUninstallPageEndsTheRunAndRemovesNothing) {
  const std::wstring program = PlaceProgram(L"v3105", L"kalquint.exe");
  const std::wstring data = PlaceProgram(L"v3105", L"dates.txt");
  SetLocation(program);
  SetupRun& run = StartSetup(L"");
  const Page uninstall = run.WaitForPage(kUninstallCaption);
  ExpectUnchecked(uninstall, {IDC_DELETE_ALL});
  uninstall.SetChecked(IDC_DELETE_ALL, true);
  LeavePage(uninstall);
  EXPECT_EQ(run.WaitForExit(), 0u);
  EXPECT_TRUE(FileExists(program));
  EXPECT_TRUE(FileExists(data));
  EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, kSettingsKey, kLocationValue), program);
}

INSTANTIATE_TEST_SUITE_P(ButtonAndEsc, SecondButtonTest,
                         ::testing::Values(Leave::kSecondButton, Leave::kEscape),
                         [](const ::testing::TestParamInfo<Leave>& info) {
                           return info.param == Leave::kEscape ? "Esc" : "SecondButton";
                         });

// ---------------------------------------------------------------------------
// Walking the install wizard back and forth; every visit shows a fresh page.

TEST_F(StartupTest, NextAndBackWalkBetweenWelcomeAndPathPages) {
  const std::wstring typed = L"C:\\Программы\\typed";
  SetupRun& run = StartSetup(L"/setup");
  Page page = WaitForWelcome(run);
  for (int round = 0; round < 2; ++round) {
    page = run.Advance(page, IDOK, kPathCaption);
    EXPECT_EQ(run.TopLevelWindows().size(), 1u);
    EXPECT_NE(page.Text(IDC_PATH_EDIT), typed);
    page.SetText(IDC_PATH_EDIT, typed);
    EXPECT_TRUE(ShowsText(page, IDC_PATH_EDIT, typed));
    page = run.Advance(page, IDCANCEL, kWelcomeCaption);
    EXPECT_TRUE(ShowsText(page, IDC_PAGE_TEXT, WelcomeText(kDistributionVersion)));
  }
  page.Click(IDCANCEL);
  EXPECT_EQ(run.WaitForExit(), 0u);
}

TEST_F(StartupTest, NextAfterBackFromUpdateReadsLocationAgain) {
  SetLocation(PlaceProgram(L"v3200", L"kalquint.exe"));
  SetupRun& run = StartSetup(L"/setup");
  Page page = run.Advance(WaitForWelcome(run), IDOK, kUpdateCaption);
  page.SetChecked(IDC_BACKUP_DATES, true);
  page.SetChecked(IDC_BACKUP_RUNS, true);
  page = run.Advance(page, IDCANCEL, kWelcomeCaption);
  page = run.Advance(page, IDOK, kUpdateCaption);
  ExpectUnchecked(page, {IDC_BACKUP_DATES, IDC_BACKUP_RUNS});
  page = run.Advance(page, IDCANCEL, kWelcomeCaption);
  DeleteRegValue(HKEY_CURRENT_USER, kSettingsKey, kLocationValue);
  page = run.Advance(page, IDOK, kPathCaption);
  run.Advance(page, IDCANCEL, kWelcomeCaption).Click(IDCANCEL);
  EXPECT_EQ(run.WaitForExit(), 0u);
}

// ---------------------------------------------------------------------------
// The welcome page shows the version of the distribution's kalquint.exe.

struct VersionCase {
  const char* name;
  const wchar_t* variant;
  const wchar_t* shown;
  friend std::ostream& operator<<(std::ostream& out, const VersionCase& given) {
    return out << given.name;
  }
};

class WelcomeVersionTest : public StartupTest, public ::testing::WithParamInterface<VersionCase> {};

TEST_P(WelcomeVersionTest, ShowsTheDistributionsVersion) {
  SetupRun& run = Start(Distribution(GetParam().variant), L"/setup");
  const Page welcome = run.WaitForPage(kWelcomeCaption);
  EXPECT_TRUE(ShowsText(welcome, IDC_PAGE_TEXT, WelcomeText(GetParam().shown)));
  welcome.Click(IDCANCEL);
  EXPECT_EQ(run.WaitForExit(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Variants, WelcomeVersionTest,
    ::testing::Values(VersionCase{"Version3105", L"v3105", L"3.1.0.5"},
                      VersionCase{"PartsOf65535", L"v65535", L"65535.2.65535.4"},
                      VersionCase{"NoVersionResource", L"noversion", L"0.0.0.0"},
                      VersionCase{"NoProgram", kNoProgram, L"0.0.0.0"}),
    CaseName());

// ---------------------------------------------------------------------------
// "/setup" anywhere in the arguments, in exactly that case, selects install mode;
// anything else uninstalls the installation that Location names. The reader's
// cases of this rule are unit cases (tests/setup/command_line_test.cpp); these
// are the mode as the first page shows it.

struct ModeCase {
  const char* name;
  const wchar_t* arguments;
  const wchar_t* firstPage;
  friend std::ostream& operator<<(std::ostream& out, const ModeCase& given) {
    return out << given.name;
  }
};

class ModeSwitchTest : public StartupTest, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(ModeSwitchTest, ArgumentsChooseTheFirstPage) {
  SetLocation(PlaceProgram(L"v3105", L"kalquint.exe"));
  SetupRun& run = StartSetup(GetParam().arguments);
  run.WaitForPage(GetParam().firstPage).Click(IDCANCEL);
  EXPECT_EQ(run.WaitForExit(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, ModeSwitchTest,
    ::testing::Values(ModeCase{"Setup", L"/setup", kWelcomeCaption},
                      ModeCase{"NoArguments", L"", kUninstallCaption}),
    CaseName());

// ---------------------------------------------------------------------------
// "/quiet" shows no window: a command line it does not understand, or an
// uninstall with nothing installed, ends at once with its exit code and no change.
// Every argument must be one the mode knows, and the mode word counts only whole
// and in its own case: a slip never uninstalls the installed program. Which
// arguments the reader refuses is unit cases' (tests/setup/command_line_test.cpp);
// these are one refusal of each kind as the whole program meets it.

struct QuietRefusalCase {
  const char* name;
  const wchar_t* arguments;
  DWORD exitCode;
  bool installed;  // a program is installed, and must stay so
  friend std::ostream& operator<<(std::ostream& out, const QuietRefusalCase& given) {
    return out << given.name;
  }
};

class QuietRefusalTest : public StartupTest,
                         public ::testing::WithParamInterface<QuietRefusalCase> {};

TEST_P(QuietRefusalTest, EndsWithItsCodeAndChangesNothing) {
  const QuietRefusalCase& given = GetParam();
  const std::wstring program = given.installed ? PlaceProgram(L"v3105", L"kalquint.exe") : L"";
  if (given.installed) SetLocation(program);
  SetupRun& run = StartSetup(given.arguments);
  EXPECT_EQ(run.WaitForExit(), given.exitCode);
  EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  EXPECT_FALSE(FileExists(UninstallerCopyPath()));
  if (given.installed) {
    EXPECT_TRUE(FileExists(program));
    EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, kSettingsKey, kLocationValue), program);
  } else {
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, kSettingsKey));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, QuietRefusalTest,
    ::testing::Values(
        QuietRefusalCase{"UnknownOption", L"/setup /quiet /options=desktop,nope", 2, false},
        QuietRefusalCase{"EmptyFolder", L"/setup /quiet /dir= /options=desktop", 2, false},
        QuietRefusalCase{"BlankFolder", L"/setup /quiet \"/dir=   \"", 2, false},
        QuietRefusalCase{"FolderWithDevicePrefix", L"/setup /quiet /dir=\\\\?\\C:\\KQ", 2, false},
        QuietRefusalCase{"NothingInstalled", L"/quiet", 3, false},
        QuietRefusalCase{"ModeWordInCapitals", L"/SETUP /quiet", 2, true},
        // A record asked for that cannot be written: nothing is done without it.
        QuietRefusalCase{"LogThatCannotBeWritten", L"/quiet \"/log=C:\\windows\\win.ini\\kq.log\"", 2,
                         true}),
    CaseName());

// A folder ending with a backslash arrives, by the C runtime's rules, with the
// closing quote still on it: it is taken without, and the switch after it stays
// a switch of its own. The log's folder is made for it.
TEST_F(StartupTest, QuietFolderWithATrailingBackslashKeepsTheNextSwitch) {
  const std::wstring folder = folder_.File(L"KQ Test");
  const std::wstring log = folder_.File(L"no such folder\\setup.log");
  SetupRun& run = StartSetup(L"/setup /quiet /dir=\"" + folder + L"\\\" /log=\"" + log + L"\"");
  EXPECT_EQ(run.WaitForExit(), 0u);
  EXPECT_TRUE(FileExists(JoinPath(folder, L"kalquint.exe")));
  EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, kSettingsKey, kLocationValue),
            JoinPath(folder, L"kalquint.exe"));
  EXPECT_TRUE(FileExists(log));
}

// One setup at a time: while a wizard is open, a quiet run ends with 1618 (the
// code deployment services retry on) having done nothing, and a second wizard
// says so in a box of no window's, then ends.
TEST_F(StartupTest, ASecondRunWhileAWizardIsOpenDoesNothing) {
  const std::wstring setup = Distribution(L"v3105");
  SetupRun& wizard = Start(setup, L"/setup");
  const Page welcome = WaitForWelcome(wizard);
  const std::wstring folder = folder_.File(L"quiet");
  const SetupRun quiet(setup, L"/setup /quiet /dir=\"" + folder + L"\"");
  EXPECT_EQ(quiet.WaitForExit(), 1618u);
  EXPECT_FALSE(FileExists(folder));
  EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));

  const SetupRun second(setup, L"/setup");
  const MessageBoxWindow box = second.WaitForMessageBox();
  EXPECT_EQ(box.Message(), L"Установка или удаление KALENDRO! quintara уже идёт.\n"
                           L"Дождитесь её окончания и попробуйте ещё раз.");
  EXPECT_EQ(GetWindow(box.Window(), GW_OWNER), nullptr);
  box.PressOk();
  EXPECT_EQ(second.WaitForExit(), 0u);

  welcome.Click(IDCANCEL);
  EXPECT_EQ(wizard.WaitForExit(), 0u);
}

// ---------------------------------------------------------------------------
// What Location holds decides between update and fresh install after the
// welcome page, and whether uninstall mode gets past its start-up check.

struct LocationCase {
  const char* name;
  const wchar_t* variant;       // stand-in placed in the installed folder, or kNoProgram
  const wchar_t* placedAs;      // its file name there
  const wchar_t* locationFile;  // the file name that Location names in that folder
  const wchar_t* afterWelcome;  // the page that Next on the welcome page leads to
  bool uninstallStarts;         // uninstall mode shows its page, not the message box
  friend std::ostream& operator<<(std::ostream& out, const LocationCase& given) {
    return out << given.name;
  }
};

class LocationTest : public StartupTest, public ::testing::WithParamInterface<LocationCase> {
 protected:
  void SetUp() override {
    const LocationCase& given = GetParam();
    if (given.variant != std::wstring(kNoProgram)) PlaceProgram(given.variant, given.placedAs);
    SetLocation(JoinPath(InstalledFolder(), given.locationFile));
  }
};

TEST_P(LocationTest, NextOnWelcomeLeadsToUpdateOrPathPage) {
  SetupRun& run = StartSetup(L"/setup");
  const Page next = run.Advance(WaitForWelcome(run), IDOK, GetParam().afterWelcome);
  run.Advance(next, IDCANCEL, kWelcomeCaption).Click(IDCANCEL);
  EXPECT_EQ(run.WaitForExit(), 0u);
}

TEST_P(LocationTest, UninstallModeStartsOnlyWithAVersionedProgram) {
  SetupRun& run = StartSetup(L"");
  if (GetParam().uninstallStarts) {
    run.WaitForPage(kUninstallCaption).Click(IDCANCEL);
    EXPECT_EQ(run.WaitForExit(), 0u);
  } else {
    ExpectPathNotFoundThenEnd(run);
  }
}

// Update needs the very file Location names to carry a version; uninstall reads
// kalquint.exe in Location's folder, whatever file name Location ends with.
INSTANTIATE_TEST_SUITE_P(
    Installations, LocationTest,
    ::testing::Values(
        LocationCase{"VersionedProgram", L"v3200", L"kalquint.exe", L"kalquint.exe",
                     kUpdateCaption, true},
        LocationCase{"ProgramWithoutVersion", L"noversion", L"kalquint.exe", L"kalquint.exe",
                     kPathCaption, false},
        LocationCase{"MissingProgram", kNoProgram, L"", L"kalquint.exe", kPathCaption,
                     false},
        LocationCase{"OtherVersionedFileBesideNone", L"v3200", L"other.exe", L"other.exe",
                     kUpdateCaption, false},
        LocationCase{"MissingFileBesideProgram", L"v3105", L"kalquint.exe", L"other.exe",
                     kPathCaption, true}),
    CaseName());

// Uninstall mode without a usable Location: one message box, then the end.

struct BrokenLocationCase {
  const char* name;
  const wchar_t* location;  // nullptr: no Location value at all
  friend std::ostream& operator<<(std::ostream& out, const BrokenLocationCase& given) {
    return out << given.name;
  }
};

class BrokenLocationTest : public StartupTest,
                           public ::testing::WithParamInterface<BrokenLocationCase> {};

TEST_P(BrokenLocationTest, UninstallModeShowsPathNotFoundAndNoPage) {
  if (GetParam().location != nullptr) SetLocation(GetParam().location);
  ExpectPathNotFoundThenEnd(StartSetup(L""));
}

INSTANTIATE_TEST_SUITE_P(
    Locations, BrokenLocationTest,
    ::testing::Values(BrokenLocationCase{"NoLocation", nullptr},
                      BrokenLocationCase{"WithoutBackslash", L"kalquint.exe"}),
    CaseName());

}  // namespace
