#include "tests/e2e/cycle_support.h"

#include <shlwapi.h>

#include <algorithm>
#include <cwchar>

const wchar_t kWelcomeCaption[] = L"Установка KALENDRO! quintara";
const wchar_t kUpdateCaption[] = L"Обновление KALENDRO! quintara";
const wchar_t kUninstallCaption[] = L"Удаление KALENDRO! quintara";
const wchar_t* const kDistributedFiles[6] = {L"kalquint.cnt", L"kalquint.hlp", L"dates.txt",
                                             L"events.txt",   L"runs.txt",     L"update.txt"};
const wchar_t* const kProgramFilesBesideExe[3] = {L"kalquint.cnt", L"kalquint.hlp", L"update.txt"};

namespace {

const wchar_t kSessionManagerKey[] = L"System\\CurrentControlSet\\Control\\Session Manager";
const wchar_t kPendingRenamesValue[] = L"PendingFileRenameOperations";

const wchar_t kShellFoldersKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const wchar_t kUserShellFoldersKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

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

std::optional<std::string> ReadFileBytes(const std::wstring& path) {
  const ScopedFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsValid()) return std::nullopt;
  std::string bytes(GetFileSize(file.Get(), nullptr), '\0');
  DWORD read = 0;
  if (!bytes.empty() &&
      !ReadFile(file.Get(), &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr)) {
    return std::nullopt;
  }
  bytes.resize(read);
  return bytes;
}

std::string DistributedFile(const std::wstring& name) {
  const std::wstring path = JoinPath(DistributionDir(), name);
  const std::optional<std::string> bytes = ReadFileBytes(path);
  if (!bytes) throw DriverError("could not read " + Utf8(path));
  return *bytes;
}

std::string UserContent(const std::wstring& name) { return "the user's " + Utf8(name) + "\r\n"; }

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  const ScopedFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  if (!file.IsValid() ||
      !WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
      written != bytes.size()) {
    throw DriverError("could not write " + Utf8(path));
  }
}

std::vector<std::wstring> FolderEntries(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW entry;
  const ScopedFind find(FindFirstFileW(JoinPath(folder, L"*").c_str(), &entry));
  if (!find.IsValid()) return names;
  do {
    const std::wstring name = entry.cFileName;
    if (name != L"." && name != L"..") names.push_back(Lowered(name));
  } while (FindNextFileW(find.Get(), &entry));
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
// Registry values.

void PrintTo(const RegValue& value, std::ostream* out) {
  *out << "type " << value.type << ": ";
  if (value.type == REG_SZ || value.type == REG_EXPAND_SZ) {
    const auto* text = reinterpret_cast<const wchar_t*>(value.bytes.data());
    *out << '"' << Utf8(std::wstring(text, wcsnlen(text, value.bytes.size() / sizeof(wchar_t))))
         << '"';
    return;
  }
  static const char kDigits[] = "0123456789ABCDEF";
  for (BYTE byte : value.bytes) *out << kDigits[byte >> 4] << kDigits[byte & 15] << ' ';
}

RegValue StringValue(const std::wstring& text, DWORD type) {
  RegValue value;
  value.type = type;
  const BYTE* begin = reinterpret_cast<const BYTE*>(text.c_str());
  value.bytes.assign(begin, begin + (text.size() + 1) * sizeof(wchar_t));
  return value;
}

RegValue NumberValue(DWORD number, DWORD type) {
  RegValue value;
  value.type = type;
  for (int shift = 0; shift < 32; shift += 8) {
    value.bytes.push_back(static_cast<BYTE>(number >> shift));
  }
  return value;
}

std::optional<RegValue> ReadRegValue(HKEY root, const std::wstring& key, const std::wstring& name) {
  ScopedRegKey opened;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_QUERY_VALUE, opened.Receive()) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  RegValue value;
  DWORD size = 0;
  if (RegQueryValueExW(opened.Get(), name.c_str(), nullptr, &value.type, nullptr, &size) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  value.bytes.resize(size);
  if (RegQueryValueExW(opened.Get(), name.c_str(), nullptr, &value.type,
                       size != 0 ? value.bytes.data() : nullptr, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  value.bytes.resize(size);
  return value;
}

void WriteRegValue(HKEY root, const std::wstring& key, const std::wstring& name,
                   const RegValue& value) {
  ScopedRegKey created;
  if (RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, created.Receive(),
                      nullptr) != ERROR_SUCCESS ||
      RegSetValueExW(created.Get(), name.c_str(), 0, value.type, value.bytes.data(),
                     static_cast<DWORD>(value.bytes.size())) != ERROR_SUCCESS) {
    throw DriverError("could not write the registry value " + Utf8(key) + "\\" + Utf8(name));
  }
}

std::map<std::wstring, RegValue> ReadAllRegValues(HKEY root, const std::wstring& key) {
  std::map<std::wstring, RegValue> values;
  ScopedRegKey opened;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_QUERY_VALUE, opened.Receive()) != ERROR_SUCCESS) {
    return values;
  }
  for (DWORD index = 0;; ++index) {
    wchar_t name[16384];
    DWORD length = 16384;
    if (RegEnumValueW(opened.Get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      return values;
    }
    if (const std::optional<RegValue> value = ReadRegValue(root, key, name)) values[name] = *value;
  }
}

RegValueGuard::RegValueGuard(HKEY root, std::wstring key, std::wstring name)
    : root_(root),
      key_(std::move(key)),
      name_(std::move(name)),
      saved_(ReadRegValue(root_, key_, name_)) {}

RegValueGuard::~RegValueGuard() {
  if (saved_) {
    WriteRegValue(root_, key_, name_, *saved_);
  } else {
    DeleteRegValue(root_, key_, name_);
  }
}

RegKeyGuard::RegKeyGuard(HKEY root, std::wstring key)
    : root_(root), key_(std::move(key)), existed_(RegKeyExists(root_, key_)) {}

RegKeyGuard::~RegKeyGuard() {
  if (!existed_) SHDeleteKeyW(root_, key_.c_str());
}

FileGuard::FileGuard(std::wstring path)
    : path_(std::move(path)),
      saved_(ReadFileBytes(path_)),
      attributes_(GetFileAttributesW(path_.c_str())) {}

FileGuard::~FileGuard() {
  SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (!saved_) {
    DeleteFileW(path_.c_str());
    return;
  }
  WriteFileBytes(path_, *saved_);
  SetFileAttributesW(path_.c_str(), attributes_);
}

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

std::wstring FolderOf(const std::wstring& path) { return path.substr(0, path.rfind(L'\\')); }

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
    : process_(program, L"", FolderOf(program), environment), title_(title) {
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

bool CycleTest::UninstallerIsScheduled() {
  const std::wstring source = L"\\??\\" + UninstallerCopyPath();
  for (const PendingRename& rename : PendingRenames()) {
    if (_wcsicmp(rename.first.c_str(), source.c_str()) == 0 && rename.second.empty()) return true;
  }
  return false;
}
