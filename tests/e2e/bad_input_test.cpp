// What a user types into the path field and what an old or damaged registry
// holds in the settings: the real install.exe must go on or say why it cannot,
// without a crash or a hang, and lose nothing of the user's.
#include <ostream>
#include <string>

#include "res/resource_ids.h"
#include "tests/driver/case_name.h"
#include "tests/e2e/bad_input_support.h"

namespace {

// ---------------------------------------------------------------------------
// The path field takes any text: the install goes on to the options page with
// the uninstaller and its entry in place when the program could be copied, and
// otherwise says so on the path page.

class PathFieldTest : public BadInputTest {
 protected:
  Page OpenPathPage(const std::wstring& workingFolder = std::wstring()) {
    StartLogged(Distribution(L"v3105"), L"/setup", workingFolder);
    return Step(WaitForOnlyPage(kWelcomeCaption), IDOK, kPathCaption);
  }

  // Types `folder`, presses Next and waits for the options page.
  Page InstallInto(const Page& path, const std::wstring& folder) const {
    path.SetText(IDC_PATH_EDIT, folder);
    return Step(path, IDOK, kOptionsCaption);
  }

  // Next on the options page records `folder` as the installation; the finish
  // page's button ends the run.
  void CompleteInstall(const Page& options, const std::wstring& folder) const {
    Finish(Step(options, IDOK, kInstallDoneCaption));
    EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, kSettingsKey, kLocationValue),
              JoinPath(folder, L"kalquint.exe"));
    EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, kUninstallKey, L"UninstallString"),
              L"\"" + UninstallerCopyPath() + L"\"");
    EXPECT_TRUE(FileExists(UninstallerCopyPath()));
  }

  // `folder` is refused on the path page; a second try into a good folder completes.
  void ExpectRefusedThenInstalled(const std::wstring& folder) {
    const Page path = OpenPathPage();
    ExpectInstallRefused(path, folder);
    const std::wstring good = folder_.File(L"good");
    CompleteInstall(InstallInto(path, good), good);
  }
};

TEST_F(PathFieldTest, ThreeHundredCharacters) {
  // Two existing levels, so that only the last one is new, as in a user's deep tree.
  const std::wstring parent = folder_.MakeFolder(std::wstring(120, L'a'));
  const size_t rest = 300 - parent.size() - std::wstring(L"\\").size() -
                      std::wstring(L"\\KALENDRO").size();
  const std::wstring deeper = JoinPath(parent, std::wstring(rest, L'b'));
  ASSERT_TRUE(CreateDirectoryW(deeper.c_str(), nullptr));
  const std::wstring folder = JoinPath(deeper, L"KALENDRO");
  ASSERT_EQ(folder.size(), 300u);
  ExpectRefusedThenInstalled(folder);
}

// Texts that name no folder the program can be copied into.
struct UnusableFolderCase {
  const char* name;
  const wchar_t* typed;
  bool inTestFolder;  // `typed` is below the test's folder
  friend std::ostream& operator<<(std::ostream& out, const UnusableFolderCase& given) {
    return out << given.name;
  }
};

class UnusableFolderTest : public PathFieldTest,
                           public ::testing::WithParamInterface<UnusableFolderCase> {};

TEST_P(UnusableFolderTest, IsRefusedAndASecondTryCompletes) {
  const UnusableFolderCase& given = GetParam();
  ExpectRefusedThenInstalled(given.inTestFolder ? folder_.File(given.typed) : given.typed);
}

INSTANTIATE_TEST_SUITE_P(
    Typed, UnusableFolderTest,
    ::testing::Values(
        UnusableFolderCase{"CharactersNoFileNameMayHold", L"C:\\a<b>|?*", false},
        // The box must come within the page wait, not after the network's time-outs.
        UnusableFolderCase{"UncPathOfAMissingServer", L"\\\\nosuchserver\\share\\KALENDRO", false},
        UnusableFolderCase{"WithoutParent", L"New\\Deep\\KALENDRO", true},
        UnusableFolderCase{"EmptyField", L"", false},
        UnusableFolderCase{"BlanksOnly", L"   ", false},
        // No folder of this program needs the prefixes that bypass the system's
        // resolving of paths, and "delete all files" could not judge them.
        UnusableFolderCase{"LongPathPrefix", L"\\\\?\\C:\\windows", false},
        UnusableFolderCase{"DevicePrefix", L"\\\\.\\C:\\KALENDRO", false}),
    CaseName());

// Folders the setup, running as administrator, cannot trust: one reached
// through a link, and one that every user may change or whose parent lets
// every user swap what it holds.
enum class Untrusted { kLink, kBelowALink, kOpenFolder, kBelowAnOpenFolder };

struct UntrustedFolderCase {
  const char* name;
  Untrusted kind;
  friend std::ostream& operator<<(std::ostream& out, const UntrustedFolderCase& given) {
    return out << given.name;
  }
};

class UntrustedFolderTest : public PathFieldTest,
                            public ::testing::WithParamInterface<UntrustedFolderCase> {};

TEST_P(UntrustedFolderTest, IsRefusedAndNothingIsWrittenThere) {
  const std::wstring target = folder_.MakeFolder(L"target");
  const std::wstring link = folder_.File(L"link");
  std::wstring typed;
  switch (GetParam().kind) {
    case Untrusted::kLink:
      MakeHostLink(link, target);
      typed = link;
      break;
    case Untrusted::kBelowALink:
      MakeHostLink(link, target);
      typed = JoinPath(link, L"KALENDRO");
      break;
    case Untrusted::kOpenFolder:
      OpenToEveryone(target);
      typed = target;
      break;
    case Untrusted::kBelowAnOpenFolder:
      OpenToEveryone(target);
      typed = JoinPath(target, L"KALENDRO");
      break;
  }
  ExpectRefusedThenInstalled(typed);
  EXPECT_EQ(FolderEntries(target), std::vector<std::wstring>());
}

INSTANTIATE_TEST_SUITE_P(
    Typed, UntrustedFolderTest,
    ::testing::Values(UntrustedFolderCase{"Link", Untrusted::kLink},
                      UntrustedFolderCase{"BelowALink", Untrusted::kBelowALink},
                      UntrustedFolderCase{"OpenToEveryone", Untrusted::kOpenFolder},
                      UntrustedFolderCase{"BelowAFolderOpenToEveryone", Untrusted::kBelowAnOpenFolder}),
    CaseName());

TEST_F(PathFieldTest, RelativePathLandsBelowTheCurrentFolder) {
  const std::wstring current = folder_.MakeFolder(L"current");
  const std::wstring parent = JoinPath(current, L"relative");
  ASSERT_TRUE(CreateDirectoryW(parent.c_str(), nullptr));
  const std::wstring folder = L"relative\\KALENDRO";
  const std::wstring landed = JoinPath(parent, L"KALENDRO");
  // Recorded in full: the program and the uninstaller start in other folders.
  CompleteInstall(InstallInto(OpenPathPage(current), folder), landed);
  for (const std::wstring& name : kInstalledFileNames) {
    EXPECT_TRUE(FileExists(JoinPath(landed, name))) << Utf8(name) << " missing in the current folder";
  }
  EXPECT_FALSE(FileExists(folder_.File(L"distribution-v3105\\relative")));
  // The registration start found the program the same way.
  std::vector<StartRecord> starts;
  EXPECT_TRUE(WaitUntil([&] { return !(starts = ReadStartLog(StartLogPath())).empty(); },
                        kControlTimeout));
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(_wcsicmp(starts[0].program.c_str(), JoinPath(landed, L"kalquint.exe").c_str()), 0)
      << Utf8(starts[0].program);
  EXPECT_EQ(starts[0].arguments, L"/RegServer");
}

TEST_F(PathFieldTest, FolderThatIsAnExistingFile) {
  const std::string notes = "the user's notes, not a folder\r\n";
  const std::wstring file = folder_.File(L"notes");
  WriteFileBytes(file, notes);
  ExpectRefusedThenInstalled(file);
  EXPECT_EQ(GetFileAttributesW(file.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
  EXPECT_EQ(ReadFileBytes(file), notes);
}

// ---------------------------------------------------------------------------
// "Location" of the wrong type or too long reads as missing: install mode asks
// for a folder, uninstall mode shows its one box. The value itself stays.

class LocationValueTest : public BadInputTest {
 protected:
  void SetLocation(const RegValue& value) {
    WriteRegValue(HKEY_CURRENT_USER, kSettingsKey, kLocationValue, value);
    location_ = value;
  }

  void ExpectInstallModeAsksForAFolder() {
    StartLogged(Distribution(L"v3105"), L"/setup");
    const Page path = Step(WaitForOnlyPage(kWelcomeCaption), IDOK, kPathCaption);
    Step(path, IDCANCEL, kWelcomeCaption).Click(IDCANCEL);
    ExpectEndsCleanly();
    ExpectLocationKept();
  }

  void ExpectUninstallModeRefuses() {
    StartLogged(UninstallModeCopy(), L"");
    ExpectPathNotFoundThenEnd();
    ExpectLocationKept();
  }

  // A 300-character route to a real, versioned kalquint.exe through "." levels.
  RegValue OverlongRouteToProgram() {
    InstallProgram(L"v3200");
    const size_t programPart = std::wstring(L"\\kalquint.exe").size();
    std::wstring route = InstalledFolder();
    // Each "\." adds two characters; a detour through ".." makes the rest even.
    if ((300 - programPart - route.size()) % 2 != 0) route += L"\\..\\installed";
    while (route.size() + programPart < 300) route += L"\\.";
    route = JoinPath(route, L"kalquint.exe");
    EXPECT_EQ(route.size(), 300u);
    EXPECT_TRUE(FileExists(route));
    return StringValue(route);
  }

 private:
  void ExpectLocationKept() const {
    EXPECT_EQ(ReadRegValue(HKEY_CURRENT_USER, kSettingsKey, kLocationValue), location_);
  }

  RegValue location_;
};

// The four bytes 43 3A 5C 00 read as text give "C:\".
constexpr DWORD kDriveRootAsNumber = 0x005C3A43;

TEST_F(LocationValueTest, DwordInInstallMode) {
  SetLocation(NumberValue(kDriveRootAsNumber, REG_DWORD));
  ExpectInstallModeAsksForAFolder();
}

TEST_F(LocationValueTest, DwordInUninstallMode) {
  SetLocation(NumberValue(kDriveRootAsNumber, REG_DWORD));
  ExpectUninstallModeRefuses();
}

TEST_F(LocationValueTest, ThreeHundredCharactersInInstallMode) {
  SetLocation(OverlongRouteToProgram());
  ExpectInstallModeAsksForAFolder();
}

TEST_F(LocationValueTest, ThreeHundredCharactersInUninstallMode) {
  SetLocation(OverlongRouteToProgram());
  ExpectUninstallModeRefuses();
  EXPECT_TRUE(FileExists(InstalledFile(L"kalquint.exe")));
}

// ---------------------------------------------------------------------------
// Count values of the older data-file lists stored as strings: a string longer
// than four bytes reads as no count, and only that kind is left unconverted.

TEST_F(BadInputTest, CountValuesAsStringsSkipOnlyTheirKind) {
  InstallProgram(L"v3200");
  const struct {
    const wchar_t* name;
    RegValue value;
  } olderSettings[] = {
      {L"NumberOfDatesFiles", StringValue(L"0002")},
      {L"DatesFile1", StringValue(L"C:\\data\\dates-1.txt")},
      {L"DatesFile2", StringValue(L"C:\\data\\dates-2.txt")},
      {L"NumberOfEventsFiles", NumberValue(1, REG_DWORD)},
      {L"EventsFile1", StringValue(L"C:\\data\\events-1.txt")},
      {L"NumberOfRunsFiles", StringValue(std::wstring(300, L'7'))},
      {L"RunsFile1", StringValue(L"C:\\data\\runs-1.txt")},
  };
  for (const auto& setting : olderSettings) {
    WriteRegValue(HKEY_CURRENT_USER, kSettingsKey, setting.name, setting.value);
  }
  StartLogged(Distribution(L"v3105"), L"/setup");
  const Page update = Step(WaitForOnlyPage(kWelcomeCaption), IDOK, kUpdateCaption);
  Finish(Step(update, IDOK, kUpdateCaption));

  EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, kSettingsKey, L"EventsFile001"),
            L"C:\\data\\events-1.txt");
  for (const wchar_t* unconverted : {L"DatesFile001", L"DatesFile002", L"RunsFile001"}) {
    EXPECT_FALSE(ReadRegValue(HKEY_CURRENT_USER, kSettingsKey, unconverted).has_value())
        << Utf8(unconverted);
  }
  for (const auto& setting : olderSettings) {
    EXPECT_EQ(ReadRegValue(HKEY_CURRENT_USER, kSettingsKey, setting.name), setting.value)
        << Utf8(setting.name);
  }
}

}  // namespace
