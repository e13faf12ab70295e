// The whole life of an installation on one machine, through the windows and
// unattended ("/quiet"): a fresh install with every option, an update that keeps
// both data files as backups, and an uninstall (through the windows, of every
// file). After each step the files, registry values and links are what that
// step must leave, the same for both ways and whatever the code page of the
// system's narrow-string programs.
#include <string>
#include <tuple>
#include <vector>

#include "tests/e2e/cycle_support.h"

namespace {

const wchar_t kVendorKey[] = L"Software\\Morvane";
const wchar_t kProductKey[] = L"Software\\Morvane\\K!q";

std::optional<std::wstring> DefaultValue(const std::wstring& classKey) {
  return ReadRegString(HKEY_CLASSES_ROOT, classKey, L"");
}

enum class Walk { kPages, kQuiet };

// The code page of the system's narrow-string programs, which Wine takes from
// LC_ALL: each row runs under its own (update_uninstall.cmake) and is skipped
// under the others. The install is refused a folder the code page cannot
// spell, and goes into one it spells with letters outside ASCII.
struct Locale {
  const char* name;
  UINT codePage;
  const wchar_t* unspellable;
  const wchar_t* parent;
};
const Locale kLocales[] = {{"Russian", 1251, L"KQ ソフト Ωmega", L"Мои программы"},
                           {"German", 1252, L"Мои программы", L"Programme für Jürgen"},
                           {"Japanese", 932, L"Jürgen Ærø", L"KQ ソフト Ωmega"}};

class FullCycleTest : public CycleTest,
                      public ::testing::WithParamInterface<std::tuple<Walk, Locale>> {
 protected:
  void SetUp() override {
    if (SystemCodePage() != Row().codePage) GTEST_SKIP() << "for code page " << Row().codePage;
  }
  bool Quiet() const { return std::get<0>(GetParam()) == Walk::kQuiet; }
  const Locale& Row() const { return std::get<1>(GetParam()); }
  // An unattended run: no window waits for an answer, so it ends by itself. Each
  // appends its record to the one log.
  void RunQuietly(const std::wstring& program, const std::wstring& arguments) {
    const std::wstring logged = arguments + L" /log=\"" + SetupLog() + L"\"";
    EXPECT_EQ(Start(program, logged, LogEnvironment()).WaitForExit(), 0u) << Utf8(logged);
  }
  std::wstring SetupLog() const { return folder_.File(L"setup.log"); }

  // The log of the three unattended runs names what each did.
  void ExpectLogged() const {
    const std::string log = ReadFileBytes(SetupLog()).value_or("");
    const std::wstring entry = std::wstring(L"HKEY_LOCAL_MACHINE\\") + kUninstallKey;
    const std::vector<std::wstring> lines = {
         L"install mode", L"copied " + Program(), L"set " + entry + L" DisplayName",
          L"link " + DesktopLink(), L"update of " + Target(L""),
          L"backed up " + Target(L"dates.txt.bak"), L"uninstall mode", L"deleted " + Program(),
          L"removed " + entry, L"deleted at the next restart"};
    for (const std::wstring& line : lines) {
      EXPECT_NE(log.find(Utf8(line)), std::string::npos) << "not logged: " << Utf8(line);
    }
    size_t ends = 0;
    for (size_t at = 0; (at = log.find("ended with exit code 0\r\n", at)) != std::string::npos;
         ++at) {
      ++ends;
    }
    EXPECT_EQ(ends, 3u) << log;
  }

  std::wstring Target(const std::wstring& name) const { return JoinPath(target_, name); }
  std::wstring Program() const { return Target(L"kalquint.exe"); }

  struct ExpectedLink {
    std::wstring path;
    std::wstring target;
    std::wstring arguments;
  };
  // The four links the options page makes, with the target and arguments of each.
  std::vector<ExpectedLink> Links() const {
    return {{GroupProgramLink(), Program(), L""},
            {GroupHelpLink(), Target(L"kalquint.hlp"), L""},
            {StartupLink(), Program(), L"/daily"},
            {DesktopLink(), Program(), L""}};
  }

  // Welcome, the path page refusing a folder the code page cannot spell and
  // taking one of the test's, every option, finish.
  void Install(const std::wstring& installExe) {
    const std::wstring unspellable = folder_.File(Row().unspellable);
    if (Quiet()) {
      const std::wstring refused = L"/setup /quiet \"/dir=" + unspellable + L"\"";
      EXPECT_EQ(Start(installExe, refused).WaitForExit(), 2u);
      return RunQuietly(installExe, L"/setup /quiet \"/dir=" + target_ +
                                        L"\" /Options=desktop,associate,startup,group");
    }
    SetupRun& run = Start(installExe, L"/setup", LogEnvironment());
    const Page welcome = run.WaitForPage(kWelcomeCaption);
    EXPECT_TRUE(ShowsText(welcome, IDC_PAGE_TEXT, WelcomeText(L"3.1.0.5")));
    const Page path = run.Advance(welcome, IDOK, kPathCaption);
    ExpectFolderRefused(path, unspellable);
    EXPECT_FALSE(FolderExists(unspellable));
    path.SetText(IDC_PATH_EDIT, target_);
    const Page options = run.Advance(path, IDOK, kOptionsCaption);
    for (int option : {IDC_OPT_ASSOCIATE, IDC_OPT_STARTUP, IDC_OPT_GROUP, IDC_OPT_DESKTOP}) {
      options.SetChecked(option, true);
    }
    Finish(run.Advance(options, IDOK, kInstallDoneCaption));
  }

  void ExpectInstalled() const {
    EXPECT_EQ(ReadFileBytes(Program()), ReadFileBytes(StandinPath(L"v3105")));
    for (const wchar_t* name : kDistributedFiles) {
      EXPECT_EQ(ReadFileBytes(Target(name)), DistributedFile(name)) << Utf8(name);
    }
    EXPECT_EQ(ReadFileBytes(UninstallerCopyPath()), DistributedFile(L"install.exe"));
    EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, kUninstallKey, L"DisplayName"),
              L"KALENDRO! quintara");
    EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, kUninstallKey, L"UninstallString"),
              L"\"" + UninstallerCopyPath() + L"\"");
    EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, kUninstallKey, L"QuietUninstallString"),
              L"\"" + UninstallerCopyPath() + L"\" /quiet");
    EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, kUninstallKey, L"Publisher"), L"Morvane Software");
    EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, kUninstallKey, L"InstallLocation"), Target(L""));
    for (const wchar_t* flag : {L"NoModify", L"NoRepair"}) {
      EXPECT_EQ(ReadRegValue(HKEY_LOCAL_MACHINE, kUninstallKey, flag), NumberValue(1, REG_DWORD));
    }
    ExpectEntryDescribes(L"3.1.0.5");
    EXPECT_EQ(DefaultValue(L".KQS"), L"kqsfile");
    EXPECT_EQ(DefaultValue(L"kqsfile"), L"KalendroSkinFile");
    EXPECT_EQ(DefaultValue(L"kqsfile\\shell\\open\\command"), L"\"" + Program() + L"\" \"%1\"");
    EXPECT_EQ(DefaultValue(L"kqsfile\\DefaultIcon"), Program() + L",0");
    EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, kSettingsKey, kLocationValue), Program());
    for (const wchar_t* flag : {L"UseShell", L"UseGroup", L"UseStartup", L"UseDesktop"}) {
      EXPECT_EQ(ReadRegValue(HKEY_CURRENT_USER, kSettingsKey, flag), NumberValue(1, REG_BINARY))
          << Utf8(flag);
    }
    EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, kSettingsKey, L"DatesFile001"),
              Target(L"dates.txt"));
    EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, kSettingsKey, L"EventsFile001"),
              Target(L"events.txt"));
    EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, kSettingsKey, L"RunsFile001"), Target(L"runs.txt"));
    ExpectLinksInPlace();
    EXPECT_TRUE(WasStarted(Program(), L"/RegServer"));
  }

  // What the list of installed programs shows of the installed version.
  void ExpectEntryDescribes(const std::wstring& version) const {
    EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, kUninstallKey, L"DisplayVersion"), version);
    EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, kUninstallKey, L"DisplayIcon"),
              Program() + L",0");
    EXPECT_EQ(ReadRegValue(HKEY_LOCAL_MACHINE, kUninstallKey, L"EstimatedSize"),
              NumberValue(InstalledKilobytes(target_), REG_DWORD));
  }

  void ExpectLinksInPlace() const {
    for (const ExpectedLink& expected : Links()) {
      ASSERT_TRUE(FileExists(expected.path)) << "no link " << Utf8(expected.path);
      const ShellLink link = ReadShellLink(expected.path);
      EXPECT_EQ(_wcsicmp(link.target.c_str(), expected.target.c_str()), 0)
          << Utf8(expected.path) << " points to " << Utf8(link.target);
      EXPECT_EQ(link.arguments, expected.arguments) << Utf8(expected.path);
    }
  }

  // What the user changed since the install, so that the update's work shows.
  void ChangeInstalledFiles() const {
    for (const wchar_t* name : kDistributedFiles) {
      WriteFileBytes(Target(name), UserContent(name));
    }
    WriteFileBytes(UninstallerCopyPath(), "an uninstaller of an older version");
  }

  void ExpectUpdated() const {
    EXPECT_EQ(ReadFileBytes(Program()), ReadFileBytes(StandinPath(L"v3200")));
    for (const wchar_t* name : kProgramFilesBesideExe) {
      EXPECT_EQ(ReadFileBytes(Target(name)), DistributedFile(name)) << Utf8(name);
    }
    EXPECT_EQ(ReadFileBytes(Target(L"dates.txt")), DistributedFile(L"dates.txt"));
    EXPECT_EQ(ReadFileBytes(Target(L"runs.txt")), DistributedFile(L"runs.txt"));
    EXPECT_EQ(ReadFileBytes(Target(L"dates.txt.bak")), UserContent(L"dates.txt"));
    EXPECT_EQ(ReadFileBytes(Target(L"runs.txt.bak")), UserContent(L"runs.txt"));
    EXPECT_EQ(ReadFileBytes(Target(L"events.txt")), UserContent(L"events.txt"));
    EXPECT_FALSE(FileExists(Target(L"events.txt.bak")));
    EXPECT_EQ(ReadFileBytes(UninstallerCopyPath()), DistributedFile(L"install.exe"));
    ExpectEntryDescribes(L"3.2.0.0");
    EXPECT_TRUE(WasStarted(Program(), L"/RegServer"));
  }

  // "/quiet" deletes the program files only, as the page with its box unticked.
  void Uninstall() {
    if (Quiet()) return RunQuietly(UninstallerCopyPath(), L"/quiet");
    // A name that lower-cased takes more bytes in UTF-8 ("Ⱥ" two, "ⱥ" three)
    // goes with the rest.
    WriteFileBytes(Target(L"Ⱥ.txt"), UserContent(L"Ⱥ.txt"));
    Finish(RunUninstall(OpenUninstallPage(), true, L"3.2.0.0"));
  }

  void ExpectNothingLeft() const {
    const std::vector<std::wstring> usersFiles = {L"dates.txt", L"dates.txt.bak", L"events.txt",
                                                  L"runs.txt", L"runs.txt.bak"};
    EXPECT_EQ(LowerCaseEntries(target_), Quiet() ? usersFiles : std::vector<std::wstring>());
    EXPECT_EQ(FolderExists(target_), Quiet());
    EXPECT_TRUE(FolderExists(parent_));
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, kProductKey));
    EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, kVendorKey));
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, L".KQS"));
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, L"kqsfile"));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    for (const ExpectedLink& link : Links()) {
      EXPECT_FALSE(FileExists(link.path)) << Utf8(link.path);
    }
    EXPECT_FALSE(FolderExists(ProgramGroupFolder()));
    // The uninstaller cannot delete its own running file: the system does at the restart.
    EXPECT_TRUE(FileExists(UninstallerCopyPath()));
    EXPECT_TRUE(UninstallerIsScheduled());
    EXPECT_TRUE(WasStarted(Program(), L"/UnregServer"));
  }

  // Each step looks only at the starts it made.
  void ForgetStarts() const { DeleteFileW(StartLogPath().c_str()); }

  const std::wstring parent_ = folder_.MakeFolder(Row().parent);
  const std::wstring target_ = JoinPath(parent_, L"KALENDRO");
};

TEST_P(FullCycleTest, InstallThenUpdateThenUninstallLeavesNothingOfTheProgram) {
  Install(Distribution(L"v3105"));
  ExpectInstalled();
  if (HasFailure()) return;

  ChangeInstalledFiles();
  ForgetStarts();
  const auto settingsBefore = ReadAllRegValues(HKEY_CURRENT_USER, kSettingsKey);
  if (Quiet()) {
    RunQuietly(Distribution(L"v3200"), L"/setup /quiet /backup=Dates,runs");
  } else {
    Finish(RunUpdate(OpenUpdatePage(), true, true));
  }
  ExpectUpdated();
  // The lists are in the current naming already: the update leaves the settings alone.
  EXPECT_EQ(ReadAllRegValues(HKEY_CURRENT_USER, kSettingsKey), settingsBefore);
  ExpectLinksInPlace();
  if (HasFailure()) return;

  ForgetStarts();
  Uninstall();
  ExpectNothingLeft();
  if (Quiet()) ExpectLogged();
}

// An installation made by a deployment service or another administrator: the
// settings the setup finds it by are that account's, so here they are absent.
// The uninstall entry leads the update and the uninstall to it, and the link
// that "/allusers" put into the machine's desktop goes with it.
TEST_F(CycleTest, AnInstallationOfAnotherAccountIsUpdatedAndRemovedInPlace) {
  const std::wstring target = JoinPath(folder_.MakeFolder(L"service"), L"KALENDRO");
  const std::wstring program = JoinPath(target, L"kalquint.exe");
  const FileGuard commonLink(
      JoinPath(*ReadRegString(HKEY_LOCAL_MACHINE, kShellFoldersKey, L"Common Desktop"),
               L"KALENDRO! quintara.lnk"));
  const auto otherAccount = [] { DeleteRegValue(HKEY_CURRENT_USER, kSettingsKey, kLocationValue); };
  EXPECT_EQ(Start(Distribution(L"v3105"),
                  L"/setup /quiet /allusers /options=desktop /dir=\"" + target + L"\"")
                .WaitForExit(),
            0u);
  EXPECT_TRUE(FileExists(commonLink.Path()));
  EXPECT_FALSE(FileExists(DesktopLink()));

  otherAccount();
  EXPECT_EQ(Start(Distribution(L"v3200"), L"/setup /quiet", LogEnvironment()).WaitForExit(), 0u);
  EXPECT_EQ(ReadFileBytes(program), ReadFileBytes(StandinPath(L"v3200")));
  EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, kUninstallKey, L"DisplayVersion"), L"3.2.0.0");
  EXPECT_FALSE(ReadRegString(HKEY_CURRENT_USER, kSettingsKey, kLocationValue).has_value())
      << "a second installation was recorded";

  otherAccount();
  Finish(RunUninstall(OpenUninstallPage(), false, L"3.2.0.0"));
  EXPECT_FALSE(FileExists(program));
  EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  EXPECT_FALSE(FileExists(commonLink.Path()));
}

INSTANTIATE_TEST_SUITE_P(
    Walks, FullCycleTest,
    ::testing::Combine(::testing::Values(Walk::kPages, Walk::kQuiet),
                       ::testing::ValuesIn(kLocales)),
    [](const ::testing::TestParamInfo<std::tuple<Walk, Locale>>& info) {
      return (std::get<0>(info.param) == Walk::kPages ? "Pages" : "Quiet") +
             std::string(std::get<1>(info.param).name);
    });

// ---------------------------------------------------------------------------
// The update's and the uninstall's pages at 144 and 192 DPI, each drawn at the
// display's scale as the uninstall page is at 96.

class CycleScaleTest : public CycleTest, public ::testing::WithParamInterface<int> {};

TEST_P(CycleScaleTest, UpdateAndUninstallPagesAreDrawnAtTheDisplaysScale) {
  PrepareInstallation(L"v3105");
  PageLook at96;
  {
    const DisplayDpi display(96);
    const Page uninstall = OpenUninstallPage();
    at96 = LookOf(uninstall);
    EXPECT_EQ(TextsCutOff(uninstall, 96), std::vector<std::string>{});
    uninstall.Click(IDCANCEL);
    EXPECT_EQ(run_->WaitForExit(), 0u);
  }
  const int dpi = GetParam();
  const DisplayDpi display(dpi);
  const Page update = OpenUpdatePage();
  EXPECT_TRUE(DrawnAtScale(update, at96, dpi));
  const Page updated = RunUpdate(update, false, false);
  EXPECT_TRUE(DrawnAtScale(updated, at96, dpi));
  Finish(updated);
  const Page uninstall = OpenUninstallPage();
  EXPECT_TRUE(DrawnAtScale(uninstall, at96, dpi));
  const Page removed = RunUninstall(uninstall, false, L"3.2.0.0");
  EXPECT_TRUE(DrawnAtScale(removed, at96, dpi));
  Finish(removed);
}

INSTANTIATE_TEST_SUITE_P(Dpi, CycleScaleTest, ::testing::Values(144, 192));

}  // namespace

