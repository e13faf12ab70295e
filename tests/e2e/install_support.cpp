#include "tests/e2e/install_support.h"

#include <shlwapi.h>

#include <algorithm>
#include <cstddef>
#include <utility>

#include "res/resource_ids.h"
#include "setup/scoped.h"
#include "tests/driver/file_contents.h"

const wchar_t kCurrentVersionKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

const std::vector<std::wstring> kFlags = {L"UseShell", L"UseGroup", L"UseStartup", L"UseDesktop"};

namespace {

const wchar_t* const kSpecialFolders[] = {L"Programs", L"Startup", L"Desktop"};
const wchar_t kHelpType[] = L"KalquintTestHelpFile";
const wchar_t kStandinTitle[] = L"Afx K!q";

// Removes a file or a folder with the files in it; a program that is still
// ending may hold a file a moment longer.
void RemoveEntry(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    for (const std::wstring& name : FolderEntries(path)) DeleteFileW(JoinPath(path, name).c_str());
    RemoveDirectoryW(path.c_str());
    return;
  }
  WaitUntil([&] { return DeleteFileW(path.c_str()) || !FileExists(path); }, kControlTimeout);
}

}  // namespace

::testing::AssertionResult SameFiles(const std::wstring& path, const std::wstring& original) {
  const std::optional<std::string> content = ReadFileBytes(path);
  const std::optional<std::string> expected = ReadFileBytes(original);
  if (!content) return ::testing::AssertionFailure() << Utf8(path) << " cannot be read";
  if (!expected) return ::testing::AssertionFailure() << Utf8(original) << " cannot be read";
  if (*content == *expected) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << Utf8(path) << " (" << content->size()
                                       << " bytes) differs from " << Utf8(original) << " ("
                                       << expected->size() << " bytes)";
}

::testing::AssertionResult LinksTo(const std::wstring& path, const std::wstring& target,
                                   const std::wstring& arguments) {
  try {
    const ShellLink link = ReadShellLink(path);
    if (link.target == target && link.arguments == arguments && link.workingFolder.empty()) {
      return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << Utf8(path) << " starts '" << Utf8(link.target) << "' with '" << Utf8(link.arguments)
           << "' in '" << Utf8(link.workingFolder) << "' instead of '" << Utf8(target)
           << "' with '" << Utf8(arguments) << "' and no working folder";
  } catch (const DriverError& error) {
    return ::testing::AssertionFailure() << error.what();
  }
}

std::vector<NamedValue> RecordedInstallation(const std::wstring& installDir) {
  return {{L"Location", StringValue(installDir + L"kalquint.exe")},
          {L"DatesFile001", StringValue(installDir + L"dates.txt")},
          {L"EventsFile001", StringValue(installDir + L"events.txt")},
          {L"RunsFile001", StringValue(installDir + L"runs.txt")}};
}

std::vector<NamedValue> UninstallEntry(const std::wstring& installDir) {
  return {{L"DisplayName", StringValue(L"KALENDRO! quintara")},
          {L"UninstallString", StringValue(L"\"" + UninstallerCopyPath() + L"\"")},
          {L"QuietUninstallString", StringValue(L"\"" + UninstallerCopyPath() + L"\" /quiet")},
          {L"Publisher", StringValue(L"Morvane Software")},
          {L"InstallLocation", StringValue(installDir)},
          {L"DisplayVersion", StringValue(L"3.1.0.5")},
          {L"DisplayIcon", StringValue(installDir + L"kalquint.exe,0")},
          {L"EstimatedSize", NumberValue(InstalledKilobytes(installDir), REG_DWORD)},
          {L"NoModify", NumberValue(1, REG_DWORD)},
          {L"NoRepair", NumberValue(1, REG_DWORD)},
          {L"CreatedInstallLocation", StringValue(installDir)}};
}

std::wstring DriveRoot(const std::wstring& path) { return path.substr(0, 3); }

PrivateShellFolders::PrivateShellFolders(const TempFolder& folder) {
  for (const wchar_t* value : kSpecialFolders) {
    setAside_.push_back(
        std::make_unique<SetAsideRegValue>(HKEY_CURRENT_USER, kShellFoldersKey, value));
    setAside_.push_back(
        std::make_unique<SetAsideRegValue>(HKEY_CURRENT_USER, kUserShellFoldersKey, value));
    WriteRegString(HKEY_CURRENT_USER, kShellFoldersKey, value, folder.MakeFolder(value));
  }
}

void PrivateShellFolders::MakeUnreadable(const std::wstring& value) {
  DeleteRegValue(HKEY_CURRENT_USER, kShellFoldersKey, value);
}

HelpFileHandler::HelpFileHandler(const std::wstring& program)
    : extensionExisted_(RegKeyExists(HKEY_CLASSES_ROOT, L".hlp")),
      extension_(HKEY_CLASSES_ROOT, L".hlp", L"") {
  WriteRegString(HKEY_CLASSES_ROOT, L".hlp", L"", kHelpType);
  WriteRegString(HKEY_CLASSES_ROOT, std::wstring(kHelpType) + L"\\shell\\open\\command", L"",
                 L"\"" + program + L"\" /openhelp \"%1\"");
}

HelpFileHandler::~HelpFileHandler() {
  SHDeleteKeyW(HKEY_CLASSES_ROOT, kHelpType);
  if (!extensionExisted_) SHDeleteKeyW(HKEY_CLASSES_ROOT, L".hlp");
}

DriveRootEntries::DriveRootEntries(std::wstring root, std::vector<std::wstring> names)
    : root_(std::move(root)), names_(std::move(names)) {
  for (const std::wstring& name : names_) {
    if (FileExists(Path(name))) throw DriverError(Utf8(Path(name)) + " is there before the test");
  }
}

DriveRootEntries::~DriveRootEntries() {
  for (const std::wstring& name : names_) RemoveEntry(Path(name));
}

DWORD ShellProcess() {
  // Wine names no shell window: its desktop's process is the shell.
  const HWND shell = GetShellWindow();
  DWORD process = 0;
  GetWindowThreadProcessId(shell != nullptr ? shell : GetDesktopWindow(), &process);
  return process;
}

std::wstring InstallTest::ShellStartLog() {
  wchar_t temp[MAX_PATH];
  const DWORD length = GetTempPathW(MAX_PATH, temp);
  return std::wstring(temp, length < MAX_PATH ? length : 0) + L"kalquint-starts.log";
}

std::vector<StartRecord> InstallTest::WaitForShellStarts(size_t count) const {
  std::vector<StartRecord> starts;
  WaitUntil(
      [&] {
        starts = ReadStartLog(ShellStartLog());
        for (const StartRecord& start : ReadStartLog(StartLog())) {
          if (start.parentId == ShellProcess()) starts.push_back(start);
        }
        return starts.size() >= count;
      },
      kPageTimeout);
  return starts;
}

const std::wstring& InstallTest::DistributionFolder() {
  if (distribution_.empty()) {
    const std::wstring setup = Distribution(L"v3105");
    distribution_ = setup.substr(0, setup.rfind(L'\\'));
  }
  return distribution_;
}

std::wstring InstallTest::TargetFolder() {
  return JoinPath(folder_.MakeFolder(L"Program Files"), L"KALENDRO");
}

std::wstring InstallTest::DefaultFolder() {
  return ReadRegString(HKEY_LOCAL_MACHINE, kCurrentVersionKey, L"ProgramFilesDir")
             .value_or(std::wstring()) +
         L"\\KALENDRO";
}

Page InstallTest::StartInstall(const std::wstring& setupExe) {
  return Start(setupExe, L"/setup", {{L"KALQUINT_LOG", StartLog()}}).WaitForPage(kWelcomeCaption);
}

Page InstallTest::ToPathPage(const Page& welcome) const {
  return run_->Advance(welcome, IDOK, kPathCaption);
}

Page InstallTest::InstallInto(const Page& path, const std::wstring& folder) const {
  path.SetText(IDC_PATH_EDIT, folder);
  return run_->Advance(path, IDOK, kOptionsCaption);
}

Page InstallTest::ChooseOptions(const Page& page, const Options& options) const {
  page.SetChecked(IDC_OPT_DESKTOP, options.desktop);
  page.SetChecked(IDC_OPT_ASSOCIATE, options.associate);
  page.SetChecked(IDC_OPT_STARTUP, options.startup);
  page.SetChecked(IDC_OPT_GROUP, options.group);
  return run_->Advance(page, IDOK, kInstallDoneCaption);
}

void InstallTest::Finish(const Page& page, bool showHelp, bool startProgram) const {
  page.SetChecked(IDC_SHOW_HELP, showHelp);
  page.SetChecked(IDC_START_PROGRAM, startProgram);
  page.Click(IDOK);
  EXPECT_EQ(run_->WaitForExit(), 0u);
}

void InstallTest::LeaveFromOptions(const Page& options) const {
  const Page path = run_->Advance(options, IDCANCEL, kPathCaption);
  run_->Advance(path, IDCANCEL, kWelcomeCaption).Click(IDCANCEL);
  EXPECT_EQ(run_->WaitForExit(), 0u);
}

std::vector<StartRecord> InstallTest::WaitForStarts(size_t count,
                                                    std::chrono::milliseconds timeout) const {
  std::vector<StartRecord> starts;
  WaitUntil(
      [&] {
        starts = ReadStartLog(StartLog());
        return starts.size() >= count;
      },
      timeout);
  return starts;
}

::testing::AssertionResult InstallTest::HoldsInstalledFiles(const std::wstring& installDir) {
  std::vector<std::wstring> expected = kInstalledFileNames;
  std::sort(expected.begin(), expected.end());
  const std::vector<std::wstring> found = FolderEntries(installDir);
  if (found != expected) {
    std::string listed;
    for (const std::wstring& name : found) listed += " " + Utf8(name);
    return ::testing::AssertionFailure() << Utf8(installDir) << " holds" << listed;
  }
  for (const std::wstring& name : kInstalledFileNames) {
    const ::testing::AssertionResult same =
        SameFiles(JoinPath(installDir, name), DistributionFile(name));
    if (!same) return same;
  }
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult ShowsAndCloses(DWORD processId) {
  const ScopedHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
  HWND window = nullptr;
  WaitUntil(
      [&] {
        for (HWND each : VisibleTopLevelWindows(processId)) {
          if (WindowCaption(each) == kStandinTitle) window = each;
        }
        return window != nullptr;
      },
      kPageTimeout);
  if (window == nullptr) {
    return ::testing::AssertionFailure() << "process " << processId << " shows no '"
                                         << Utf8(kStandinTitle) << "' window";
  }
  PostMessageW(window, WM_CLOSE, 0, 0);
  const auto exitTimeout = static_cast<DWORD>(kExitTimeout.count());
  if (process.IsValid() && WaitForSingleObject(process.Get(), exitTimeout) != WAIT_OBJECT_0) {
    return ::testing::AssertionFailure() << "process " << processId << " did not end on WM_CLOSE";
  }
  return ::testing::AssertionSuccess();
}
