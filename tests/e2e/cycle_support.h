// What the update and uninstall tests share: installations prepared in the
// test's folder, the stand-in started as a user would start it, registry values
// and files compared byte for byte, and guards that put back what a test changes
// outside its folder (pending renames, WININIT.INI, the desktop folder, a drive).
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "res/resource_ids.h"
#include "setup/scoped.h"
#include "tests/driver/file_contents.h"
#include "tests/driver/registry_values.h"
#include "tests/driver/setup_names.h"
#include "tests/driver/shell_links.h"
#include "tests/driver/state_guards.h"
#include "tests/driver/wizard_driver.h"
#include "tests/driver/wizard_test.h"

// The installed files besides kalquint.exe, as every distribution holds them.
extern const wchar_t* const kDistributedFiles[6];
// kalquint.cnt, kalquint.hlp and update.txt: with kalquint.exe, the files every
// update replaces and every uninstall deletes.
extern const wchar_t* const kProgramFilesBesideExe[3];

// "Удаление KALENDRO! quintara\nверсии <version>\nзавершено :-("
std::wstring UninstallDoneText(const std::wstring& version);

// ---------------------------------------------------------------------------
// Files.

// The whole file of the build's distribution folder, which every distribution
// made for a test shares (only its kalquint.exe is the chosen stand-in).
std::string DistributedFile(const std::wstring& name);
// What a test writes into an installed file to stand for the user's own content.
std::string UserContent(const std::wstring& name);
// Names of the entries directly in `folder`, lower-cased and sorted; "." and ".." left out.
std::vector<std::wstring> LowerCaseEntries(const std::wstring& folder);
bool FolderExists(const std::wstring& path);

// A file held open for reading and writing, as another program keeps it, which
// shares it only as `sharing` allows (none by default: nobody else may read,
// write, rename or delete it while this lives).
class LockedFile {
 public:
  explicit LockedFile(const std::wstring& path, DWORD sharing = 0);

 private:
  ScopedFile file_;
};

// ---------------------------------------------------------------------------
// Registry.

// The system's renames to do at the next restart, as (source, target) pairs in
// its own spelling ("\??\C:\..."); an empty target means deletion.
using PendingRename = std::pair<std::wstring, std::wstring>;
std::vector<PendingRename> PendingRenames();

// ---------------------------------------------------------------------------
// Programs.

// The stand-in as the user started it: running, with its main window shown.
class RunningStandin {
 public:
  RunningStandin(const std::wstring& program, const std::wstring& title,
                 const std::vector<EnvironmentVariable>& environment);

  DWORD ProcessId() const { return process_.ProcessId(); }
  bool HasEnded() const { return !process_.IsRunning(); }
  bool ShowsWindow() const;

 private:
  SetupRun process_;  // killed when the test is done with it
  std::wstring title_;
};

// Kernel and user time that process `id` has used so far, in 100 ns units.
ULONGLONG ProcessCpuTime(DWORD processId);

// While this lives the user's desktop is a folder of the test's, so that what an
// uninstall deletes there was the test's own.
class DesktopRedirect {
 public:
  explicit DesktopRedirect(const std::wstring& folder);

 private:
  RegValueGuard userShellFolder_;
  RegValueGuard shellFolder_;
};

// A drive letter of Wine's (a link in the prefix's dosdevices folder) that
// stands for `folder` while this lives.
class MappedDrive {
 public:
  explicit MappedDrive(const std::wstring& folder);
  ~MappedDrive();
  MappedDrive(const MappedDrive&) = delete;
  MappedDrive& operator=(const MappedDrive&) = delete;

  // "X:\"
  std::wstring Root() const { return std::wstring(1, letter_) + L":\\"; }

 private:
  std::string link_;  // the host's path of the link
  wchar_t letter_ = 0;
};

// ---------------------------------------------------------------------------
// The fixture.

class CycleTest : public WizardTest {
 protected:
  CycleTest();

  // The installed folder (created on first use): a Cyrillic name, as users have.
  const std::wstring& InstalledFolder();
  std::wstring Installed(const std::wstring& name) { return JoinPath(InstalledFolder(), name); }
  // An installation as the install wizard leaves it, made directly: the
  // distribution's files with the stand-in `variant` as kalquint.exe, Location,
  // and the uninstaller copy. Returns the installed kalquint.exe.
  std::wstring PrepareInstallation(const std::wstring& variant) {
    return PrepareInstallationIn(InstalledFolder(), variant);
  }
  static std::wstring PrepareInstallationIn(const std::wstring& folder,
                                            const std::wstring& variant);

  // Where the stand-in records its starts, and the environment that says so.
  std::wstring StartLogPath() const { return folder_.File(L"starts.log"); }
  std::vector<EnvironmentVariable> LogEnvironment() const;
  // Whether `program` has been started with `arguments` (waits a little for the record).
  bool WasStarted(const std::wstring& program, const std::wstring& arguments) const;

  // install.exe /setup from a distribution with version 3.2.0.0, led to the update page.
  Page OpenUpdatePage();
  // Ticks the backup boxes, presses Next and waits for the update finish page.
  Page RunUpdate(const Page& update, bool backupDates, bool backupRuns);
  // The uninstaller copy started without arguments, on its first page.
  Page OpenUninstallPage();
  // Ticks or clears "delete all files", presses "Удалить >>" and waits for the
  // done page, whose text is checked for `version`.
  Page RunUninstall(const Page& uninstall, bool deleteAll,
                    const std::wstring& version = L"3.1.0.5");
  // Presses the finish page's button and waits for the end of the run.
  void Finish(const Page& donePage);

  // Whether the last uninstall listed its copy for deletion at the next restart.
  bool UninstallerIsScheduled() const;

 private:
  // Every uninstall lists itself there; put back after each test.
  RegValueGuard pendingRenames_;
  std::vector<PendingRename> pendingBeforeUninstall_;  // taken by OpenUninstallPage
  // The install and the prepared settings make "Software\Morvane"; the uninstall leaves it.
  RegKeyGuard vendorKey_;
  DesktopRedirect desktopRedirect_;
  // No stand-in left running and no shortcut, before and after; made after the
  // redirect, so that it never touches the shared desktop.
  ShellStateGuard shellState_;
  std::wstring installed_;
};

// Milliseconds since `start`.
long long MillisecondsSince(std::chrono::steady_clock::time_point start);
