// The engine of one setup run: its folders, versions and file list, and every
// registry, file, shell and process operation that the wizard pages perform.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "res/resource_ids.h"
#include "setup/scoped.h"
#include "setup/setup_log.h"
#include "setup/text.h"
#include "setup/work_list.h"

class InstallFolder;

// The special folders that hold the shortcuts, as values of a "Shell Folders"
// key: the user's, or the machine's all-users ones ("/allusers").
struct ShortcutFolders {
  HKEY root;
  StringId programs;
  StringId startup;
  StringId desktop;
};
extern const ShortcutFolders kUserShortcutFolders;
extern const ShortcutFolders kAllUsersShortcutFolders;

// A fixed file version as the version resource gives it: major.minor in `ms`,
// build.revision in `ls`, each part a 16-bit half.
struct FileVersion {
  DWORD ms = 0;
  DWORD ls = 0;
};

// `format` with the four parts of `version`, major first ("%d.%d.%d.%d").
std::string FormatVersion(const char* format, const FileVersion& version);

// What the shell made of a start: whether it started, and the process when it
// gave one (a document may open in a program that runs already).
struct StartedProgram {
  bool started = false;
  ScopedHandle process;
};

class SetupContext {
 public:
  SetupContext() = default;
  SetupContext(const SetupContext&) = delete;
  SetupContext& operator=(const SetupContext&) = delete;

  // Folders and version (installation.cpp). LoadLocation(false) and
  // DetectPreviousInstall find an installation the one way (installation.h).
  bool LoadLocation(bool fromModule);
  bool ReadProgramVersion();
  bool ReadFileVersion(const std::string& path);
  bool DetectPreviousInstall();

  // Registry (registry.cpp). Keys and value names are string-table ids. Every
  // write is recorded in Work; a key the user may not open is left alone, and
  // a write into it counts as done.
  bool ReadRegString(HKEY root, StringId key, const std::string& name, std::string& out) const;
  bool ReadRegStringById(HKEY root, StringId key, StringId name, std::string& out) const;
  bool ReadRegDword(HKEY root, StringId key, const std::string& name, DWORD& out) const;
  // The text of every string value of the key; none when it cannot be opened.
  std::vector<std::string> ReadRegStrings(HKEY root, StringId key) const;
  // Must come before the settings writes, which go into the key it opens (made
  // with its parents when missing) until CloseSettingsKey.
  bool OpenSettingsKey();
  bool WriteSettingString(const std::string& name, const std::string& data);
  bool WriteSettingStringById(StringId name, const std::string& data);
  bool WriteSettingDword(StringId name, DWORD number);
  void CloseSettingsKey();
  bool SetRegString(HKEY root, StringId key, StringId name, const std::string& data);
  bool SetRegDword(HKEY root, StringId key, StringId name, DWORD number);
  // Deletes the key and `levels` - 1 of its ancestors, each after its direct
  // subkeys (every sibling goes with an ancestor); stops at a key it cannot
  // open. False when a key it opened is still there with no subkey to keep it.
  bool DeleteRegKey(HKEY root, StringId key, int levels) const;
  bool DeleteRegValue(HKEY root, StringId key, StringId name);
  bool IsSettingsKeyOpen() const { return SettingsKeyHandle.IsValid(); }

  // File set (file_set.cpp). Copies are recorded in Work.
  void AddFile(StringId id);
  // Every entry of SourceDir that "delete all files" may take from `folder`
  // (install_folder.cpp); false when the folder cannot be listed.
  bool AddAllInstalledFiles(const InstallFolder& folder);
  // Each replaces what is there, which is kept aside until the step completes.
  // The listed names that could not be copied.
  std::vector<std::string> CopyListedFiles();
  // The main program goes last. False when a listed file of the setup's own,
  // or one the user left writable, is still there; the main program then stays.
  bool DeleteListedFiles();
  // Makes the installed data file `id` its ".bak", keeping an older backup
  // aside until the step completes.
  bool BackupFile(StringId id);
  // Replaces the installed data file `id` with the distribution's, keeping the
  // user's as its ".bak"; false, with the user's file in place, when it cannot.
  bool ReplaceDataFile(StringId id);
  // Copies the running program into the Windows directory; true when the copy is
  // in place there.
  bool InstallUninstaller();
  const std::vector<std::string>& ListedFiles() const { return FileNameList; }
  // A copy of `from` at `to`; what was at `to` is kept aside until the step
  // completes, unless `replace` is false: then there must be nothing.
  bool PutFile(const std::string& from, const std::string& to, bool replace);
  // A copy of `from` at `to`, where there must be nothing: made beside it and
  // then moved there, so that a run cut off half-way leaves no part of a file
  // under a name that the next run would keep as the user's.
  bool PutNewFile(const std::string& from, const std::string& to);
  // Moves the file at `path` aside until the step completes (what a run cut
  // off earlier left aside is settled first); true when none is there now.
  bool SetAside(const std::string& path);
  // Makes the folder `path` (no trailing backslash); false when it could not,
  // also when it was there.
  bool MakeFolder(const std::string& path, SECURITY_ATTRIBUTES* security = nullptr);

  // Shell (shell.cpp).
  bool CreateShortcut(const std::string& link, const std::string& target,
                      const std::string& arguments);
  // Opens a file of the installed folder through the shell, in that folder.
  StartedProgram RunProgram(StringId file, StringId parameters) const;
  // Opens a file of the installed folder for the signed-in user: through the
  // desktop's shell, which runs with the user's rights, where there is one.
  void OpenForUser(StringId file) const;
  // The installed folder: InstallDir, or in uninstall mode SourceDir.
  const std::string& InstalledFolder() const;
  // The folder picker, modal to `owner`.
  bool BrowseForFolder(HWND owner, std::string& folder) const;
  // The special folder `value` of the "Shell Folders" key under `root`
  // (ShortcutFolders) followed by `suffix`; false when it cannot be read.
  bool ReadShortcutFolder(HKEY root, StringId value, const std::string& suffix,
                          std::string& folder) const;

  // The running main program and the uninstaller's own file (running_program.cpp,
  // self_deletion.cpp).
  // True when no main program runs any longer.
  bool CloseRunningProgram() const;
  // True when the uninstaller copy is to be deleted at the next restart (or the
  // running file is not that copy).
  bool ScheduleSelfDeletion();
  // Drops a deletion at the next restart of `path` that an earlier uninstall
  // asked for, and nothing else.
  void CancelPendingDeletion(const std::string& path);

  // Opens the distribution's files and the running program's own, so that
  // nobody may change, replace or delete them before they are copied: the
  // version read is that of what gets installed (file_set.cpp; LoadLocation
  // holds them before it reads the version).
  void HoldDistribution();

  FileVersion ProbedVersion;   // version of the file last read with success
  FileVersion ProgramVersion;  // the main program's version shown on the pages
  std::string SourceDir;       // distribution folder; in uninstall mode the installed one
  std::string InstallDir;      // target folder; empty in uninstall mode
  std::string UninstallerPath; // the uninstaller copy in the Windows directory
  SetupLog Log;                // what the run does, when "/log=" asks for it
  WorkList Work;               // what the current step has changed

 private:
  void EmptyFileList();
  bool DeleteListedFile(const std::string& name);
  bool SetValue(HKEY key, HKEY root, const std::string& path, const std::string& name, DWORD type,
                const std::string& data);
  bool SetRegValue(HKEY root, StringId key, StringId name, DWORD type, const std::string& data,
                   const std::string& shown);
  bool WriteSetting(const std::string& name, DWORD type, const std::string& data,
                    const std::string& shown);
  ScopedRegKey OpenKeyToWrite(HKEY root, const std::string& path, bool& userProtected);

  void Hold(const std::string& path);
  struct HeldFile {
    std::string path;
    ScopedFile file;
  };
  std::vector<HeldFile> Held;             // the distribution as started, until the run ends
  std::vector<std::string> FileNameList;  // bare names for the next copy or delete
  ScopedRegKey SettingsKeyHandle;
};
