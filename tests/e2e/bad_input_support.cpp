#include "tests/e2e/bad_input_support.h"

#include <shlwapi.h>

#include <cstdio>
#include <cstring>

#include "setup/scoped.h"

const wchar_t kWelcomeCaption[] = L"Установка KALENDRO! quintara";
const wchar_t kPathCaption[] = L"Установка K!q (шаг 1 из 3)";
const wchar_t kOptionsCaption[] = L"Установка K!q (шаг 2 из 3)";
const wchar_t kInstallDoneCaption[] = L"Установка K!q (шаг 3 из 3)";
const wchar_t kUpdateCaption[] = L"Обновление KALENDRO! quintara";
const wchar_t kUninstallCaption[] = L"Удаление KALENDRO! quintara";

const std::vector<std::wstring> kInstalledFileNames = {
    L"kalquint.cnt", L"kalquint.exe", L"kalquint.hlp", L"dates.txt",
    L"events.txt",   L"runs.txt",     L"update.txt"};

namespace {

// Where the system keeps the renames and deletions it does at the next restart.
const wchar_t kSessionManagerKey[] = L"System\\CurrentControlSet\\Control\\Session Manager";
const wchar_t kPendingRenamesValue[] = L"PendingFileRenameOperations";

// Wine's settings for single programs, by file name.
const wchar_t kAppDefaultsKey[] = L"Software\\Wine\\AppDefaults";

BOOL CALLBACK CollectVisibleWindow(HWND window, LPARAM found) {
  if (IsWindowVisible(window)) reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
  return TRUE;
}

std::vector<HWND> VisibleWindowsOfDesktop() {
  std::vector<HWND> found;
  EnumWindows(CollectVisibleWindow, reinterpret_cast<LPARAM>(&found));
  return found;
}

// An access list with one entry: everyone is denied every right of a key.
std::vector<BYTE> DenyEveryoneAcl() {
  BYTE everyone[SECURITY_MAX_SID_SIZE];
  DWORD sidSize = sizeof everyone;
  if (!CreateWellKnownSid(WinWorldSid, nullptr, everyone, &sidSize)) {
    throw DriverError("could not make the Everyone SID");
  }
  std::vector<BYTE> acl(sizeof(ACL) + sizeof(ACCESS_DENIED_ACE) + sidSize);
  auto* const list = reinterpret_cast<PACL>(acl.data());
  if (!InitializeAcl(list, static_cast<DWORD>(acl.size()), ACL_REVISION) ||
      !AddAccessDeniedAce(list, ACL_REVISION, KEY_ALL_ACCESS, everyone)) {
    throw DriverError("could not build a denying access list");
  }
  return acl;
}

void SetKeySecurity(HKEY root, const std::wstring& path, PSECURITY_DESCRIPTOR security) {
  ScopedRegKey key;
  if (RegOpenKeyExW(root, path.c_str(), 0, WRITE_DAC, key.Receive()) != ERROR_SUCCESS ||
      RegSetKeySecurity(key.Get(), DACL_SECURITY_INFORMATION, security) != ERROR_SUCCESS) {
    throw DriverError("could not set the access list of " + Utf8(path));
  }
}

std::vector<BYTE> KeySecurity(HKEY root, const std::wstring& path) {
  ScopedRegKey key;
  DWORD size = 0;
  if (RegOpenKeyExW(root, path.c_str(), 0, READ_CONTROL, key.Receive()) != ERROR_SUCCESS ||
      RegGetKeySecurity(key.Get(), DACL_SECURITY_INFORMATION, nullptr, &size) !=
          ERROR_INSUFFICIENT_BUFFER) {
    throw DriverError("could not read the access list of " + Utf8(path));
  }
  std::vector<BYTE> security(size);
  if (RegGetKeySecurity(key.Get(), DACL_SECURITY_INFORMATION, security.data(), &size) !=
      ERROR_SUCCESS) {
    throw DriverError("could not read the access list of " + Utf8(path));
  }
  return security;
}

// Runs `restore` from a destructor: a failure is reported, not thrown.
template <typename Restore>
void RestoreOrReport(Restore restore) {
  try {
    restore();
  } catch (const DriverError& error) {
    ADD_FAILURE() << error.what();
  }
}

std::wstring WindowsFolder() {
  wchar_t windows[MAX_PATH] = L"";
  GetWindowsDirectoryW(windows, MAX_PATH);
  return windows;
}

// Prints the tally of the whole executable once every case has run.
class TallyEnvironment : public ::testing::Environment {
 public:
  void TearDown() override {
    const ::testing::UnitTest& tests = *::testing::UnitTest::GetInstance();
    std::printf("bad inputs: %d tried, %d held\n", tests.test_to_run_count(),
                tests.successful_test_count());
  }
};

::testing::Environment* const kTally = ::testing::AddGlobalTestEnvironment(new TallyEnvironment);

}  // namespace

std::string Ansi(const std::wstring& text) {
  if (text.empty()) return std::string();
  const int length = static_cast<int>(text.size());
  const int size = WideCharToMultiByte(CP_ACP, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  std::string converted(size, '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), length, &converted[0], size, nullptr, nullptr);
  return converted;
}

std::optional<std::string> ReadFileBytes(const std::wstring& path) {
  const ScopedFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsValid()) return std::nullopt;
  std::string content(GetFileSize(file.Get(), nullptr), '\0');
  DWORD read = 0;
  if (!content.empty() && !ReadFile(file.Get(), &content[0], static_cast<DWORD>(content.size()),
                                    &read, nullptr)) {
    return std::nullopt;
  }
  content.resize(read);
  return content;
}

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

::testing::AssertionResult SameBytes(const std::optional<std::string>& actual,
                                     const std::string& expected) {
  if (!actual) return ::testing::AssertionFailure() << "the file cannot be read";
  if (*actual == expected) return ::testing::AssertionSuccess();
  size_t first = 0;
  while (first < actual->size() && first < expected.size() && (*actual)[first] == expected[first]) {
    ++first;
  }
  return ::testing::AssertionFailure()
         << actual->size() << " bytes instead of " << expected.size() << ", first difference at "
         << first << ": \"" << actual->substr(first, 40) << "\" instead of \""
         << expected.substr(first, 40) << "\"";
}

void PrintTo(const RegistryValue& value, std::ostream* out) {
  *out << "type " << value.type << ", " << value.bytes.size() << " bytes";
  if (value.type == REG_SZ) {
    std::wstring text(value.bytes.size() / sizeof(wchar_t), L'\0');
    std::memcpy(&text[0], value.bytes.data(), text.size() * sizeof(wchar_t));
    const std::wstring::size_type end = text.find(L'\0');
    if (end != std::wstring::npos) text.resize(end);
    *out << " \"" << Utf8(text) << "\"";
  }
}

std::optional<RegistryValue> ReadRegValue(HKEY root, const std::wstring& key,
                                          const std::wstring& name) {
  ScopedRegKey opened;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_QUERY_VALUE, opened.Receive()) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  RegistryValue value;
  DWORD size = 0;
  if (RegQueryValueExW(opened.Get(), name.c_str(), nullptr, &value.type, nullptr, &size) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  value.bytes.resize(size);
  if (size != 0 && RegQueryValueExW(opened.Get(), name.c_str(), nullptr, nullptr,
                                    reinterpret_cast<BYTE*>(&value.bytes[0]),
                                    &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  value.bytes.resize(size);
  return value;
}

void WriteRegValue(HKEY root, const std::wstring& key, const std::wstring& name,
                   const RegistryValue& value) {
  ScopedRegKey created;
  if (RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                      created.Receive(), nullptr) != ERROR_SUCCESS ||
      RegSetValueExW(created.Get(), name.c_str(), 0, value.type,
                     reinterpret_cast<const BYTE*>(value.bytes.data()),
                     static_cast<DWORD>(value.bytes.size())) != ERROR_SUCCESS) {
    throw DriverError("could not write the registry value " + Utf8(key) + "\\" + Utf8(name));
  }
}

RegistryValue DwordValue(DWORD number) {
  return {REG_DWORD, std::string(reinterpret_cast<const char*>(&number), sizeof number)};
}

RegistryValue StringValue(const std::wstring& text) {
  return {REG_SZ, std::string(reinterpret_cast<const char*>(text.c_str()),
                              (text.size() + 1) * sizeof(wchar_t))};
}

// ---------------------------------------------------------------------------

BadInputTest::BadInputTest()
    : pendingRenames_(HKEY_LOCAL_MACHINE, kSessionManagerKey, kPendingRenamesValue) {}

void BadInputTest::SetUp() {
  const std::vector<HWND> shown = VisibleWindowsOfDesktop();
  windowsBefore_.insert(shown.begin(), shown.end());
}

void BadInputTest::TearDown() {
  // A crash dialog or stray box must not outlive its case and confuse the next.
  for (HWND window : NewWindows()) PostMessageW(window, WM_CLOSE, 0, 0);
  WizardTest::TearDown();
}

const std::wstring& BadInputTest::InstalledFolder() {
  if (installed_.empty()) installed_ = folder_.MakeFolder(L"installed");
  return installed_;
}

void BadInputTest::InstallProgram(const std::wstring& variant) {
  const std::wstring program = InstalledFile(L"kalquint.exe");
  CopyFileOrThrow(StandinPath(variant), program);
  WriteRegString(HKEY_CURRENT_USER, kSettingsKey, kLocationValue, program);
}

std::wstring BadInputTest::PlaceUserFile(const std::wstring& name, const std::string& content) {
  std::wstring path = InstalledFile(name);
  WriteFileBytes(path, content);
  return path;
}

SetupRun& BadInputTest::StartLogged(const std::wstring& program, const std::wstring& arguments,
                                    const std::wstring& workingFolder) {
  run_ = std::make_unique<SetupRun>(program, arguments, workingFolder,
                                    std::vector<EnvironmentVariable>{
                                        {L"KALQUINT_LOG", StartLogPath()}});
  return *run_;
}

std::vector<HWND> BadInputTest::NewWindows() const {
  std::vector<HWND> fresh;
  for (HWND window : VisibleWindowsOfDesktop()) {
    if (windowsBefore_.count(window) == 0) fresh.push_back(window);
  }
  return fresh;
}

void BadInputTest::ExpectOnlyWindow(const Page& window) const {
  EXPECT_TRUE(run_->IsRunning());
  SendWithin(window.Window(), WM_NULL, 0, 0);  // throws when the setup does not answer
  const std::vector<HWND> fresh = NewWindows();
  EXPECT_TRUE(fresh.size() == 1 && fresh.front() == window.Window())
      << "expected only '" << Utf8(window.Caption()) << "'; the desktop shows "
      << DescribeWindows(fresh);
}

Page BadInputTest::WaitForOnlyPage(const std::wstring& caption) const {
  const Page page = run_->WaitForPage(caption);
  ExpectOnlyWindow(page);
  return page;
}

Page BadInputTest::Step(const Page& page, int button, const std::wstring& next) const {
  const Page shown = run_->Advance(page, button, next);
  ExpectOnlyWindow(shown);
  return shown;
}

void BadInputTest::ExpectEndsCleanly() const {
  EXPECT_EQ(run_->WaitForExit(), 0u);
  const std::vector<HWND> fresh = NewWindows();
  EXPECT_TRUE(fresh.empty()) << "left behind: " << DescribeWindows(fresh);
}

void BadInputTest::Finish(const Page& last) const {
  last.Click(IDOK);
  ExpectEndsCleanly();
}

void BadInputTest::ExpectPathNotFoundThenEnd() const {
  const MessageBoxWindow box = run_->WaitForMessageBox();
  ExpectOnlyWindow(box);
  EXPECT_EQ(Utf8(box.Message()), Utf8(L"Путь не найден!"));
  box.PressOk();
  ExpectEndsCleanly();
}

// ---------------------------------------------------------------------------

DeniedRegistryKey::DeniedRegistryKey(HKEY root, const std::wstring& path)
    : root_(root), path_(path), originalSecurity_(KeySecurity(root, path)) {
  std::vector<BYTE> acl = DenyEveryoneAcl();
  SECURITY_DESCRIPTOR denying;
  InitializeSecurityDescriptor(&denying, SECURITY_DESCRIPTOR_REVISION);
  SetSecurityDescriptorDacl(&denying, TRUE, reinterpret_cast<PACL>(acl.data()), FALSE);
  SetKeySecurity(root_, path_, &denying);
}

DeniedRegistryKey::~DeniedRegistryKey() {
  RestoreOrReport([&] { SetKeySecurity(root_, path_, originalSecurity_.data()); });
}

bool DeniedRegistryKey::IsEnforced() const {
  ScopedRegKey key;
  return RegOpenKeyExW(root_, path_.c_str(), 0, KEY_ALL_ACCESS, key.Receive()) != ERROR_SUCCESS;
}

SavedRegistryValue::SavedRegistryValue(HKEY root, const std::wstring& key, const std::wstring& name)
    : root_(root), key_(key), name_(name), saved_(ReadRegValue(root, key, name)) {}

SavedRegistryValue::~SavedRegistryValue() {
  RestoreOrReport([&] {
    if (saved_) {
      WriteRegValue(root_, key_, name_, *saved_);
    } else {
      DeleteRegValue(root_, key_, name_);
    }
  });
}

SavedWindowsFile::SavedWindowsFile(const std::wstring& name)
    : path_(JoinPath(WindowsFolder(), name)), saved_(ReadFileBytes(path_)) {}

SavedWindowsFile::~SavedWindowsFile() {
  SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
  RestoreOrReport([&] {
    if (saved_) {
      WriteFileBytes(path_, *saved_);
    } else {
      DeleteFileW(path_.c_str());
    }
  });
}

Windows98Mode::Windows98Mode(const std::wstring& exeName)
    : hadAppDefaults_(RegKeyExists(HKEY_CURRENT_USER, kAppDefaultsKey)),
      key_(JoinPath(kAppDefaultsKey, exeName)) {
  WriteRegString(HKEY_CURRENT_USER, key_, L"Version", L"win98");
}

Windows98Mode::~Windows98Mode() {
  SHDeleteKeyW(HKEY_CURRENT_USER, key_.c_str());
  if (!hadAppDefaults_) RegDeleteKeyW(HKEY_CURRENT_USER, kAppDefaultsKey);
}
