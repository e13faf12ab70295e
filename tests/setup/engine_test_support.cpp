#include "tests/setup/engine_test_support.h"

#include <shlwapi.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <utility>

namespace {

std::string WithBackslashes(std::string path) {
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

// Unique within the run; the process id keeps parallel runs apart.
std::string UniqueName(const char* prefix) {
  static int counter = 0;
  return prefix + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount()) +
         "-" + std::to_string(++counter);
}

ScopedRegKey OpenKey(HKEY root, const std::string& key) {
  ScopedRegKey opened;
  if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, opened.Receive()) != ERROR_SUCCESS) {
    opened.Release();
  }
  return opened;
}

const HKEY kRedirectedRoots[] = {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_CLASSES_ROOT};
constexpr const char* kRedirectedRootNames[] = {"HKCU", "HKLM", "HKCR"};

struct NamedKey {
  HKEY root;
  const char* rootName;
  const char* path;
};
// The keys the setup writes at the top of each root.
const NamedKey kSetupKeys[] = {
    {HKEY_CURRENT_USER, "HKCU", "Software\\Morvane"},
    {HKEY_LOCAL_MACHINE, "HKLM",
     "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kalendro"},
    {HKEY_CLASSES_ROOT, "HKCR", ".KQS"},
    {HKEY_CLASSES_ROOT, "HKCR", "kqsfile"},
};

constexpr const char* kLogVariable = "KALQUINT_LOG";

StartRecord ParseStart(const std::string& line) {
  StartRecord record;
  const std::string::size_type first = line.find('|');
  const std::string::size_type second = line.find('|', first + 1);
  if (first == std::string::npos || second == std::string::npos) return record;
  record.processId = std::stoul(line.substr(0, first));
  record.path = line.substr(first + 1, second - first - 1);
  record.arguments = line.substr(second + 1);
  return record;
}

std::vector<StartRecord> ParseStarts(const std::string& log) {
  std::vector<StartRecord> starts;
  std::string::size_type begin = 0;
  for (std::string::size_type end; (end = log.find("\r\n", begin)) != std::string::npos;
       begin = end + 2) {
    starts.push_back(ParseStart(log.substr(begin, end - begin)));
  }
  return starts;
}

}  // namespace

void PrintTo(const FileVersion& version, std::ostream* out) {
  *out << std::hex << "ms 0x" << version.ms << ", ls 0x" << version.ls << std::dec;
}

std::string BuildTreePath(const std::string& relative) {
  return WithBackslashes(TEST_BUILD_DIR) + "\\" + relative;
}

std::string StandInPath(const std::string& variant) {
  return BuildTreePath("standins\\" + variant + "\\kalquint.exe");
}

std::string WindowsDir() {
  char path[MAX_PATH];
  const UINT length = GetWindowsDirectoryA(path, MAX_PATH);
  return std::string(path, length);
}

std::string Narrow(const std::wstring& text) {
  std::string narrow(text.size() * 4, '\0');
  narrow.resize(WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                    &narrow[0], static_cast<int>(narrow.size()), nullptr, nullptr));
  return narrow;
}

std::optional<std::string> ReadBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << bytes;
  ASSERT_TRUE(file.good()) << path;
}

bool PathExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool WaitUntil(const std::function<bool()>& done, DWORD milliseconds) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start >= milliseconds) return false;
    Sleep(50);
  }
  return true;
}

ScratchFolder::ScratchFolder() {
  char temp[MAX_PATH];
  const DWORD length = GetTempPathA(MAX_PATH, temp);
  path_ = std::string(temp, length) + UniqueName("kqtest-") + "\\";
  EXPECT_TRUE(CreateDirectoryA(path_.c_str(), nullptr)) << path_;
}

ScratchFolder::~ScratchFolder() {
  std::error_code error;
  std::filesystem::remove_all(path_, error);
  EXPECT_FALSE(error) << path_ << ": " << error.message();
}

PreservedFile::PreservedFile(std::string path)
    : path_(std::move(path)), original_(ReadBytes(path_)) {}

PreservedFile::~PreservedFile() {
  if (original_) {
    WriteBytes(path_, *original_);
  } else {
    DeleteFileA(path_.c_str());
  }
}

void PrintTo(const RawValue& value, std::ostream* out) {
  *out << "type " << value.type << ", " << value.bytes.size() << " bytes:";
  for (unsigned char byte : value.bytes) *out << ' ' << static_cast<int>(byte);
}

void CreateKey(HKEY root, const std::string& key) {
  ScopedRegKey created;
  ASSERT_EQ(RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            created.Receive(), nullptr),
            ERROR_SUCCESS)
      << key;
}

void SetRawValue(HKEY root, const std::string& key, const std::string& name, DWORD type,
                 const std::string& bytes) {
  ScopedRegKey created;
  ASSERT_EQ(RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            created.Receive(), nullptr),
            ERROR_SUCCESS)
      << key;
  ASSERT_EQ(
      RegSetValueExA(created.Get(), name.c_str(), 0, type,
                     reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size())),
      ERROR_SUCCESS)
      << key << " " << name;
}

void SetStringValue(HKEY root, const std::string& key, const std::string& name,
                    const std::string& text) {
  SetRawValue(root, key, name, REG_SZ, std::string(text.c_str(), text.size() + 1));
}

std::optional<RawValue> QueryRawValue(HKEY root, const std::string& key, const std::string& name) {
  const ScopedRegKey opened = OpenKey(root, key);
  if (!opened.IsValid()) return std::nullopt;
  RawValue value;
  DWORD size = 0;
  if (RegQueryValueExA(opened.Get(), name.c_str(), nullptr, &value.type, nullptr, &size) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  value.bytes.resize(size);
  if (RegQueryValueExA(opened.Get(), name.c_str(), nullptr, &value.type,
                       reinterpret_cast<BYTE*>(&value.bytes[0]), &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  value.bytes.resize(size);
  return value;
}

bool KeyExists(HKEY root, const std::string& key) { return OpenKey(root, key).IsValid(); }

RegistryOverride::RegistryOverride()
    : RegistryOverride("Software\\KalquintSetupTests\\" + UniqueName("")) {}

RegistryOverride::RegistryOverride(std::string scratchPath) : scratchPath_(std::move(scratchPath)) {
  // All stand-ins are made before any root is redirected: they live under the real HKCU.
  for (int i = 0; i < 3; ++i) {
    const std::string path = scratchPath_ + "\\" + kRedirectedRootNames[i];
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        standIns_[i].Receive(), nullptr) != ERROR_SUCCESS) {
      standIns_[i].Release();
      return;
    }
  }
  active_ = true;
  for (int i = 0; i < 3; ++i) {
    active_ =
        RegOverridePredefKey(kRedirectedRoots[i], standIns_[i].Get()) == ERROR_SUCCESS && active_;
  }
}

RegistryOverride::~RegistryOverride() {
  for (HKEY root : kRedirectedRoots) RegOverridePredefKey(root, nullptr);
  for (ScopedRegKey& standIn : standIns_) standIn.Reset();
  SHDeleteKeyA(HKEY_CURRENT_USER, scratchPath_.c_str());
  // Only empty once no other run is using it.
  RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\KalquintSetupTests");
}

HKEY RegistryOverride::StandInFor(HKEY root) const {
  for (int i = 0; i < 3; ++i) {
    if (kRedirectedRoots[i] == root) return standIns_[i].Get();
  }
  return nullptr;
}

std::vector<std::string> SetupKeysInRealRegistry() {
  std::vector<std::string> found;
  for (const NamedKey& key : kSetupKeys) {
    if (KeyExists(key.root, key.path)) found.push_back(std::string(key.rootName) + "\\" + key.path);
  }
  return found;
}

void RedirectedRegistryTest::SetUp() {
  ASSERT_EQ(SetupKeysInRealRegistry(), std::vector<std::string>())
      << "left in the real registry by an earlier run (a test killed midway, or a setup "
         "started by hand in the tests' prefix); to recover, delete the tests' prefix, "
      << std::string(TEST_BUILD_DIR).substr(2)  // "Z:" and the host's path
      << "/wineprefix, which the next run makes afresh, and run the tests again";
  override_.emplace();
  ASSERT_TRUE(override_->IsActive());
}

void RedirectedRegistryTest::TearDown() {
  override_.reset();
  EXPECT_EQ(SetupKeysInRealRegistry(), std::vector<std::string>())
      << "written outside the scratch key";
}

OwnedProcess::~OwnedProcess() {
  if (!process_.IsValid() || HasEnded()) return;
  TerminateProcess(process_.Get(), 1);
  WaitForSingleObject(process_.Get(), 10000);
}

bool OwnedProcess::HasEnded() const {
  return WaitForSingleObject(process_.Get(), 0) == WAIT_OBJECT_0;
}

DWORD OwnedProcess::WaitForExitCode(DWORD milliseconds) const {
  DWORD code = STILL_ACTIVE;
  if (WaitForSingleObject(process_.Get(), milliseconds) == WAIT_OBJECT_0) {
    GetExitCodeProcess(process_.Get(), &code);
  }
  return code;
}

OwnedProcess StartProcess(const std::string& path, const std::string& arguments) {
  std::string commandLine = "\"" + path + "\" " + arguments;
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION started = {};
  if (!CreateProcessA(path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &started)) {
    ADD_FAILURE() << "could not start " << path;
    return OwnedProcess(nullptr);
  }
  const ScopedHandle thread(started.hThread);
  return OwnedProcess(started.hProcess);
}

OwnedProcess OpenProcessById(DWORD id) {
  return OwnedProcess(OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, id));
}

size_t CountWindows(const char* title) {
  size_t count = 0;
  for (HWND window = FindWindowExA(nullptr, nullptr, nullptr, title); window != nullptr;
       window = FindWindowExA(nullptr, window, nullptr, title)) {
    ++count;
  }
  return count;
}

bool WaitForWindows(const char* title, size_t count, DWORD milliseconds) {
  return WaitUntil([&] { return CountWindows(title) >= count; }, milliseconds);
}

StartLog::StartLog() : path_(folder_ / "starts.log") {
  SetEnvironmentVariableA(kLogVariable, path_.c_str());
}

StartLog::~StartLog() { SetEnvironmentVariableA(kLogVariable, nullptr); }

std::vector<StartRecord> StartLog::WaitForStarts(size_t count, DWORD milliseconds) const {
  std::vector<StartRecord> starts;
  WaitUntil(
      [&] {
        starts = ParseStarts(ReadBytes(path_).value_or(""));
        return starts.size() >= count;
      },
      milliseconds);
  return starts;
}
