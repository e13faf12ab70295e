// The fresh-install tests' fixture: a distribution of the test's own, the setup
// walked page by page, the machine state the install leaves, and the parts of
// the machine that a test changes for its length and puts back.
#pragma once

#include <windows.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "setup/scoped.h"
#include "tests/driver/setup_names.h"
#include "tests/driver/shell_links.h"
#include "tests/driver/wizard_driver.h"
#include "tests/driver/wizard_test.h"
#include "tests/e2e/install_registry.h"

extern const wchar_t kCurrentVersionKey[];

// How long a test waits to see that no further program starts.
constexpr std::chrono::milliseconds kQuietPeriod{2000};

// The options page's flag values, in the order it writes them.
extern const std::vector<std::wstring> kFlags;

// The options page's boxes.
struct Options {
  bool desktop = false;
  bool associate = false;
  bool startup = false;
  bool group = false;
};
constexpr Options kNoOptions{};
constexpr Options kAllOptions{true, true, true, true};

// Whether the two files hold the same bytes (false when either is missing).
::testing::AssertionResult SameFiles(const std::wstring& path, const std::wstring& original);

// Whether `path` is a link to `target` with `arguments` and no working folder.
::testing::AssertionResult LinksTo(const std::wstring& path, const std::wstring& target,
                                   const std::wstring& arguments);

// What the options page records whatever was chosen: "Location" and the first
// entry of each data-file list, all in `installDir` (which ends with a backslash).
std::vector<NamedValue> RecordedInstallation(const std::wstring& installDir);

// What the path page registers for an install of the 3.1.0.5 distribution into
// `installDir` (with its last backslash), a folder the install made.
std::vector<NamedValue> UninstallEntry(const std::wstring& installDir);

// "C:\" for a path on drive C:.
std::wstring DriveRoot(const std::wstring& path);

// The user's "Programs", "Startup" and "Desktop" folders moved into the test's
// own folder for its length: the setup finds them in "Shell Folders" as usual,
// while its links stay out of the prefix's own menus and desktop. Wine
// rewrites a "Shell Folders" value from its "User Shell Folders" twin whenever a
// program asks the shell for that folder, so both are set aside.
class PrivateShellFolders {
 public:
  explicit PrivateShellFolders(const TempFolder& folder);

  // Deletes the "Shell Folders" value, leaving Wine nothing to rebuild it from.
  static void MakeUnreadable(const std::wstring& value);

 private:
  std::vector<std::unique_ptr<SetAsideRegValue>> setAside_;
};

// While it lives, the shell opens .hlp files with `program` /openhelp "<file>";
// the previous association is put back exactly.
class HelpFileHandler {
 public:
  explicit HelpFileHandler(const std::wstring& program);
  ~HelpFileHandler();
  HelpFileHandler(const HelpFileHandler&) = delete;
  HelpFileHandler& operator=(const HelpFileHandler&) = delete;

 private:
  bool extensionExisted_;
  SetAsideRegValue extension_;
};

// Files and folders that a test may make at the root of a drive, where a test
// must leave nothing: none of them may be there before, and all go with it.
class DriveRootEntries {
 public:
  DriveRootEntries(std::wstring root, std::vector<std::wstring> names);
  ~DriveRootEntries();
  DriveRootEntries(const DriveRootEntries&) = delete;
  DriveRootEntries& operator=(const DriveRootEntries&) = delete;

  std::wstring Path(const std::wstring& name) const { return root_ + name; }

 private:
  std::wstring root_;
  std::vector<std::wstring> names_;
};

// The process of the desktop's shell window, which starts programs with the
// signed-in user's rights; 0 when there is none.
DWORD ShellProcess();

class InstallTest : public WizardTest {
 protected:
  InstallTest() : shellFolders_(folder_) {}

  // The test's distribution folder with the v3105 stand-in, made on first use.
  const std::wstring& DistributionFolder();
  std::wstring DistributionFile(const std::wstring& name) {
    return JoinPath(DistributionFolder(), name);
  }
  std::wstring StartLog() const { return folder_.File(L"starts.log"); }
  // "<test folder>\Program Files\KALENDRO"; its parent exists.
  std::wstring TargetFolder();
  // The path page's default: the system's program-files folder + "\KALENDRO".
  static std::wstring DefaultFolder();

  // Starts `setupExe` with /setup and the start log; returns the welcome page.
  Page StartInstall(const std::wstring& setupExe);
  Page StartInstall() { return StartInstall(DistributionFile(L"install.exe")); }
  // Welcome page: Next, to the path page.
  Page ToPathPage(const Page& welcome) const;
  // Path page: types `folder`, Next; returns the options page.
  Page InstallInto(const Page& path, const std::wstring& folder) const;
  // Options page: ticks `options`, Next; returns the finish page.
  Page ChooseOptions(const Page& page, const Options& options) const;
  // Finish page: ticks the boxes, "Готово!"; the run ends with 0.
  void Finish(const Page& page, bool showHelp, bool startProgram) const;
  // Options page: Back, Back on the path page, Exit on the welcome page.
  void LeaveFromOptions(const Page& options) const;

  // The starts in the log once there are at least `count` (fewer after `timeout`).
  std::vector<StartRecord> WaitForStarts(size_t count,
                                         std::chrono::milliseconds timeout = kPageTimeout) const;
  // The stand-in's own log, where a start by the desktop's shell records itself
  // when the shell's environment names none or one it cannot write.
  static std::wstring ShellStartLog();
  // The starts the desktop's shell made, once there are `count` (fewer after
  // the page time-out): in its log, or in this test's where the shell was
  // started with the test's setup.
  std::vector<StartRecord> WaitForShellStarts(size_t count) const;
  // The seven files in `installDir`, each the same as the distribution's, and nothing else.
  ::testing::AssertionResult HoldsInstalledFiles(const std::wstring& installDir);

  PrivateShellFolders shellFolders_;
  // Made after the private folders and gone before them, so that it clears
  // those and never the desktop that other prefixes share.
  ShellStateGuard shellState_;

 private:
  std::wstring distribution_;
};

// The window of the stand-in started as `processId` appears; it is closed and
// the process ends.
::testing::AssertionResult ShowsAndCloses(DWORD processId);
