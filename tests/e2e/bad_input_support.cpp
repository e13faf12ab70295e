#include "tests/e2e/bad_input_support.h"

#include "res/resource_ids.h"

#include <cstdio>

#include "setup/scoped.h"

namespace {

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

void BadInputTest::ExpectInstallRefused(const Page& path, const std::wstring& folder) const {
  ExpectFolderRefused(path, folder);
  ExpectOnlyWindow(path);
  EXPECT_FALSE(FileExists(UninstallerCopyPath()));
  EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  EXPECT_TRUE(ReadStartLog(StartLogPath()).empty()) << "the program was started";
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

