// What the bad-input end-to-end tests share: the page captions, a fixture that
// watches every window on the desktop while it walks the wizard, and owners for
// the pieces of machine state that a case bends and must put back.
#pragma once

#include <windows.h>

#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "tests/driver/wizard_driver.h"
#include "tests/driver/wizard_test.h"

extern const wchar_t kWelcomeCaption[];
extern const wchar_t kPathCaption[];
extern const wchar_t kOptionsCaption[];
extern const wchar_t kInstallDoneCaption[];
extern const wchar_t kUpdateCaption[];  // the update page and its finish page alike
extern const wchar_t kUninstallCaption[];  // the uninstall page and its finish page alike

// The files an install puts into its folder.
extern const std::vector<std::wstring> kInstalledFileNames;

// `text` in the ANSI code page, as the setup writes paths into its files.
std::string Ansi(const std::wstring& text);

// The bytes of a file, or none when it cannot be opened for reading.
std::optional<std::string> ReadFileBytes(const std::wstring& path);
void WriteFileBytes(const std::wstring& path, const std::string& bytes);
// Whether a file's bytes are `expected`; a failure names the first difference
// instead of printing both (the files may be large).
::testing::AssertionResult SameBytes(const std::optional<std::string>& actual,
                                     const std::string& expected);

// A registry value as stored: its type and raw bytes.
struct RegistryValue {
  DWORD type = REG_NONE;
  std::string bytes;
  bool operator==(const RegistryValue& other) const {
    return type == other.type && bytes == other.bytes;
  }
};

void PrintTo(const RegistryValue& value, std::ostream* out);

std::optional<RegistryValue> ReadRegValue(HKEY root, const std::wstring& key,
                                          const std::wstring& name);
void WriteRegValue(HKEY root, const std::wstring& key, const std::wstring& name,
                   const RegistryValue& value);
RegistryValue DwordValue(DWORD number);
// A REG_SZ value as RegSetValueExW stores `text`: UTF-16 with its terminating zero.
RegistryValue StringValue(const std::wstring& text);

// A registry value as it was when made, put back (or deleted again) when it goes.
class SavedRegistryValue {
 public:
  SavedRegistryValue(HKEY root, const std::wstring& key, const std::wstring& name);
  ~SavedRegistryValue();
  SavedRegistryValue(const SavedRegistryValue&) = delete;
  SavedRegistryValue& operator=(const SavedRegistryValue&) = delete;

 private:
  HKEY root_;
  std::wstring key_;
  std::wstring name_;
  std::optional<RegistryValue> saved_;
};

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
  // The start-up check of uninstall mode failed: its box alone, then the end.
  void ExpectPathNotFoundThenEnd() const;

 private:
  std::vector<HWND> NewWindows() const;

  // An uninstall on the NT family asks the system to delete its own file at the
  // next restart; the list of such requests is put back as it was.
  SavedRegistryValue pendingRenames_;
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

// A file of the Windows directory as it was when made (or its absence), put back
// when it goes.
class SavedWindowsFile {
 public:
  explicit SavedWindowsFile(const std::wstring& name);
  ~SavedWindowsFile();
  SavedWindowsFile(const SavedWindowsFile&) = delete;
  SavedWindowsFile& operator=(const SavedWindowsFile&) = delete;

  const std::wstring& Path() const { return path_; }

 private:
  std::wstring path_;
  std::optional<std::string> saved_;
};

// Wine tells the program file named `exeName` that it runs on Windows 98 (the
// platform whose deferred file operations go through WININIT.INI) while this lives.
class Windows98Mode {
 public:
  explicit Windows98Mode(const std::wstring& exeName);
  ~Windows98Mode();
  Windows98Mode(const Windows98Mode&) = delete;
  Windows98Mode& operator=(const Windows98Mode&) = delete;

 private:
  bool hadAppDefaults_;  // the parent of all such keys, removed again when made here
  std::wstring key_;
};
