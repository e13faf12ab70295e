#include "tests/e2e/cycle_support.h"

#include <algorithm>
#include <cwchar>

const wchar_t* const kDistributedFiles[6] = {L"kalquint.cnt", L"kalquint.hlp", L"dates.txt",
                                             L"events.txt",   L"runs.txt",     L"update.txt"};
const wchar_t* const kProgramFilesBesideExe[3] = {L"kalquint.cnt", L"kalquint.hlp", L"update.txt"};

namespace {

std::wstring Lowered(std::wstring text) {
  CharLowerW(&text[0]);
  return text;
}

// The host's path of a Windows path, as Wine maps it.
std::string HostPath(const std::wstring& path) {
  using ToUnix = char*(CDECL*)(LPCWSTR);
  // Through a plain function pointer type: the export's own type is not FARPROC's.
  const auto toUnix = reinterpret_cast<ToUnix>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (toUnix == nullptr) throw DriverError("not running under Wine: no drive can be mapped");
  char* const converted = toUnix(path.c_str());
  if (converted == nullptr) throw DriverError("no host path for " + Utf8(path));
  std::string result(converted);
  HeapFree(GetProcessHeap(), 0, converted);
  return result;
}

// Starts a program of the host (Wine starts those too). Wine gives no handle
// to wait on for such a process, so `done` tells when its work is seen.
template <typename Done>
void RunHostCommand(const std::string& commandLine, Done done) {
  std::wstring command = Widen(commandLine);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started = {};
  if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &started)) {
    throw DriverError("could not run " + commandLine);
  }
  const ScopedHandle thread(started.hThread);
  const ScopedHandle process(started.hProcess);
  if (!WaitUntil(done, kControlTimeout)) throw DriverError(commandLine + " did not work");
}

wchar_t FreeDriveLetter() {
  const DWORD used = GetLogicalDrives();
  for (wchar_t letter = L'X'; letter > L'M'; --letter) {
    if (!(used & (1u << (letter - L'A')))) return letter;
  }
  throw DriverError("no free drive letter");
}

}  // namespace

std::wstring UninstallDoneText(const std::wstring& version) {
  return L"Удаление KALENDRO! quintara\nверсии " + version + L"\nзавершено :-(";
}

long long MillisecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               start)
      .count();
}

// ---------------------------------------------------------------------------
// Files.

std::string DistributedFile(const std::wstring& name) {
  const std::wstring path = JoinPath(DistributionDir(), name);
  const std::optional<std::string> bytes = ReadFileBytes(path);
  if (!bytes) throw DriverError("could not read " + Utf8(path));
  return *bytes;
}

std::string UserContent(const std::wstring& name) { return "the user's " + Utf8(name) + "\r\n"; }

std::vector<std::wstring> LowerCaseEntries(const std::wstring& folder) {
  std::vector<std::wstring> names = FolderEntries(folder);
  for (std::wstring& name : names) name = Lowered(name);
  std::sort(names.begin(), names.end());
  return names;
}

bool FolderExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

LockedFile::LockedFile(const std::wstring& path, DWORD sharing)
    : file_(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, sharing, nullptr, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL, nullptr)) {
  if (!file_.IsValid()) throw DriverError("could not lock " + Utf8(path));
}

// ---------------------------------------------------------------------------
// Registry.

std::vector<PendingRename> PendingRenames() {
  std::vector<PendingRename> renames;
  const std::optional<RegValue> value =
      ReadRegValue(HKEY_LOCAL_MACHINE, kSessionManagerKey, kPendingRenamesValue);
  if (!value) return renames;
  const auto* text = reinterpret_cast<const wchar_t*>(value->bytes.data());
  const std::wstring all(text, value->bytes.size() / sizeof(wchar_t));
  // Pairs of zero-ended texts, the list ended by one more zero; a target may be empty.
  std::wstring::size_type position = 0;
  while (position < all.size() && all[position] != L'\0') {
    const std::wstring::size_type sourceEnd = all.find(L'\0', position);
    if (sourceEnd == std::wstring::npos) break;
    std::wstring::size_type targetEnd = all.find(L'\0', sourceEnd + 1);
    if (targetEnd == std::wstring::npos) targetEnd = all.size();
    renames.emplace_back(all.substr(position, sourceEnd - position),
                         all.substr(sourceEnd + 1, targetEnd - sourceEnd - 1));
    position = targetEnd + 1;
  }
  return renames;
}

// ---------------------------------------------------------------------------
// Programs.

namespace {

struct WindowSearch {
  DWORD processId;
  const std::wstring* title;
  bool found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<WindowSearch*>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == search->processId && IsWindowVisible(window) &&
      WindowCaption(window) == *search->title) {
    search->found = true;
  }
  return !search->found;
}

}  // namespace

RunningStandin::RunningStandin(const std::wstring& program, const std::wstring& title,
                               const std::vector<EnvironmentVariable>& environment)
    : process_(program, L"", std::wstring(), environment), title_(title) {
  if (!WaitUntil([&] { return ShowsWindow(); }, kPageTimeout)) {
    throw DriverError(Utf8(program) + " did not show its window '" + Utf8(title) + "'");
  }
}

bool RunningStandin::ShowsWindow() const {
  WindowSearch search = {ProcessId(), &title_, false};
  EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

ULONGLONG ProcessCpuTime(DWORD processId) {
  const ScopedHandle process(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, processId));
  FILETIME created, ended, kernel, user;
  if (!process.IsValid() || !GetProcessTimes(process.Get(), &created, &ended, &kernel, &user)) {
    throw DriverError("could not read the times of process " + std::to_string(processId));
  }
  const auto ticks = [](const FILETIME& time) {
    return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  };
  return ticks(kernel) + ticks(user);
}

DesktopRedirect::DesktopRedirect(const std::wstring& folder)
    : userShellFolder_(HKEY_CURRENT_USER, kUserShellFoldersKey, L"Desktop"),
      shellFolder_(HKEY_CURRENT_USER, kShellFoldersKey, L"Desktop") {
  // Wine's shell copies "User Shell Folders" into "Shell Folders" whenever it
  // looks a folder up, so both name the test's folder.
  WriteRegValue(HKEY_CURRENT_USER, kUserShellFoldersKey, L"Desktop",
                StringValue(folder, REG_EXPAND_SZ));
  WriteRegString(HKEY_CURRENT_USER, kShellFoldersKey, L"Desktop", folder);
}

MappedDrive::MappedDrive(const std::wstring& folder) : letter_(FreeDriveLetter()) {
  std::string devices = HostPath(L"C:\\");  // "<prefix>/dosdevices/c:/"
  devices.resize(devices.size() - 3);
  link_ = devices + static_cast<char>(letter_ - L'A' + 'a') + ":";
  RunHostCommand("/bin/ln -s \"" + HostPath(folder) + "\" \"" + link_ + "\"",
                 [&] { return FolderExists(Root()); });
}

MappedDrive::~MappedDrive() {
  try {
    RunHostCommand("/bin/rm -f \"" + link_ + "\"", [&] { return !FolderExists(Root()); });
  } catch (const DriverError& error) {
    ADD_FAILURE() << "the drive link " << link_ << " is left: " << error.what();
  }
}

// ---------------------------------------------------------------------------
// The fixture.

CycleTest::CycleTest()
    : pendingRenames_(HKEY_LOCAL_MACHINE, kSessionManagerKey, kPendingRenamesValue),
      vendorKey_(HKEY_CURRENT_USER, L"Software\\Morvane"),
      desktopRedirect_(folder_.MakeFolder(L"desktop")) {}

const std::wstring& CycleTest::InstalledFolder() {
  if (installed_.empty()) installed_ = folder_.MakeFolder(L"Программа");
  return installed_;
}

std::wstring CycleTest::PrepareInstallationIn(const std::wstring& folder,
                                              const std::wstring& variant) {
  for (const wchar_t* name : kDistributedFiles) {
    CopyFileOrThrow(JoinPath(DistributionDir(), name), JoinPath(folder, name));
  }
  const std::wstring program = JoinPath(folder, L"kalquint.exe");
  CopyFileOrThrow(StandinPath(variant), program);
  CopyFileOrThrow(JoinPath(DistributionDir(), L"install.exe"), UninstallerCopyPath());
  WriteRegString(HKEY_CURRENT_USER, kSettingsKey, kLocationValue, program);
  return program;
}

std::vector<EnvironmentVariable> CycleTest::LogEnvironment() const {
  return {{L"KALQUINT_LOG", StartLogPath()}};
}

bool CycleTest::WasStarted(const std::wstring& program, const std::wstring& arguments) const {
  return WaitUntil(
      [&] {
        for (const StartRecord& start : ReadStartLog(StartLogPath())) {
          if (_wcsicmp(start.program.c_str(), program.c_str()) == 0 &&
              start.arguments == arguments) {
            return true;
          }
        }
        return false;
      },
      kControlTimeout);
}

Page CycleTest::OpenUpdatePage() {
  SetupRun& run = Start(Distribution(L"v3200"), L"/setup", LogEnvironment());
  return run.Advance(run.WaitForPage(kWelcomeCaption), IDOK, kUpdateCaption);
}

Page CycleTest::RunUpdate(const Page& update, bool backupDates, bool backupRuns) {
  update.SetChecked(IDC_BACKUP_DATES, backupDates);
  update.SetChecked(IDC_BACKUP_RUNS, backupRuns);
  return run_->Advance(update, IDOK, kUpdateCaption);
}

Page CycleTest::OpenUninstallPage() {
  pendingBeforeUninstall_ = PendingRenames();
  return Start(UninstallerCopyPath(), L"", LogEnvironment()).WaitForPage(kUninstallCaption);
}

Page CycleTest::RunUninstall(const Page& uninstall, bool deleteAll, const std::wstring& version) {
  uninstall.SetChecked(IDC_DELETE_ALL, deleteAll);
  const Page done = run_->Advance(uninstall, IDOK, kUninstallCaption);
  EXPECT_TRUE(ShowsText(done, IDC_PAGE_TEXT, UninstallDoneText(version)));
  return done;
}

void CycleTest::Finish(const Page& donePage) {
  donePage.Click(IDOK);
  EXPECT_EQ(run_->WaitForExit(), 0u);
}

bool CycleTest::UninstallerIsScheduled() const {
  // A leftover entry of an earlier run must not count: the run adds exactly one.
  const std::vector<PendingRename> after = PendingRenames();
  if (after.size() != pendingBeforeUninstall_.size() + 1 ||
      !std::equal(pendingBeforeUninstall_.begin(), pendingBeforeUninstall_.end(), after.begin())) {
    return false;
  }
  const std::wstring source = L"\\??\\" + UninstallerCopyPath();
  return _wcsicmp(after.back().first.c_str(), source.c_str()) == 0 && after.back().second.empty();
}
