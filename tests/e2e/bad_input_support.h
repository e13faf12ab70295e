// What the bad-input end-to-end tests share: the page captions, a fixture that
// watches every window on the desktop while it walks the wizard, and owners for
// the pieces of machine state that a case bends and must put back.
#pragma once

#include <windows.h>

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "tests/driver/file_contents.h"
#include "tests/driver/registry_values.h"
#include "tests/driver/setup_names.h"
#include "tests/driver/state_guards.h"
#include "tests/driver/wizard_driver.h"
#include "tests/driver/wizard_test.h"

// Whether a file's bytes are `expected`; a failure names the first difference
// instead of printing both (the files may be large).
::testing::AssertionResult SameBytes(const std::optional<std::string>& actual,
                                     const std::string& expected);

class BadInputTest : public WizardTest {
 protected:
  BadInputTest();
  void SetUp() override;
  void TearDown() override;

  // The installation the case starts from, in the test's folder; made on first use.
  const std::wstring& InstalledFolder();
  std::wstring InstalledFile(const std::wstring& name) { return JoinPath(InstalledFolder(), name); }
  // The stand-in `variant` as the installed kalquint.exe, named by "Location".
  void InstallProgram(const std::wstring& variant);
  // An installed file of the user's, holding `content`; returns its path.
  std::wstring PlaceUserFile(const std::wstring& name, const std::string& content);

  // Starts `program` with the stand-in's start log in the test's folder.
  SetupRun& StartLogged(const std::wstring& program, const std::wstring& arguments,
                        const std::wstring& workingFolder = std::wstring());
  std::wstring StartLogPath() const { return folder_.File(L"starts.log"); }

  // The setup is alive and answers, `window` is the one window that came up on
  // the whole desktop since the case began, and nothing else (no message box,
  // no crash dialog) is shown.
  void ExpectOnlyWindow(const Page& window) const;
  Page WaitForOnlyPage(const std::wstring& caption) const;
  // Presses `button` on `page` and waits for the page `next`, shown alone.
  Page Step(const Page& page, int button, const std::wstring& next) const;
  // The setup ends with exit code 0 within the bound and leaves no window behind.
  void ExpectEndsCleanly() const;
  // Presses the first button of the finish page `last`; the run ends cleanly.
  void Finish(const Page& last) const;
  // Next on the path page with `folder` typed: the page's box names the folder,
  // nothing is installed and the page stays.
  void ExpectInstallRefused(const Page& path, const std::wstring& folder) const;
  // The start-up check of uninstall mode failed: its box alone, then the end.
  void ExpectPathNotFoundThenEnd() const;

 private:
  std::vector<HWND> NewWindows() const;

  // An uninstall on the NT family asks the system to delete its own file at the
  // next restart; the list of such requests is put back as it was.
  RegValueGuard pendingRenames_;
  std::set<HWND> windowsBefore_;
  std::wstring installed_;
};

// A key whose access list denies everyone every access for the length of a case.
// The key's owner may still rewrite the list, which is how the old one comes back.
class DeniedRegistryKey {
 public:
  DeniedRegistryKey(HKEY root, const std::wstring& path);
  ~DeniedRegistryKey();
  DeniedRegistryKey(const DeniedRegistryKey&) = delete;
  DeniedRegistryKey& operator=(const DeniedRegistryKey&) = delete;

  // Whether the system refuses to open the key with full access, as the setup asks.
  bool IsEnforced() const;

 private:
  HKEY root_;
  std::wstring path_;
  std::vector<BYTE> originalSecurity_;
};
