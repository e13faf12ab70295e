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

class InstallFolder;

// The program group's folder name, between the program menu and the link names.
constexpr char kProgramGroupFolder[] = "\\KALENDRO!\\";

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

class SetupContext {
 public:
  SetupContext() = default;
  SetupContext(const SetupContext&) = delete;
  SetupContext& operator=(const SetupContext&) = delete;

  // Folders and version (location.cpp).
  bool LoadLocation(bool fromModule);
  bool ReadProgramVersion();
  bool ReadFileVersion(const std::string& path);
  bool DetectPreviousInstall();
  // The uninstall entry's "InstallLocation", ending with a backslash: how an
  // installation made under another account is found. False when it has none.
  bool ReadEntryFolder(std::string& folder) const;

  // Registry (registry.cpp). Keys and value names are string-table ids.
  bool ReadRegString(HKEY root, StringId key, const std::string& name, std::string& out) const;
  bool ReadRegStringById(HKEY root, StringId key, StringId name, std::string& out) const;
  bool ReadRegDword(HKEY root, StringId key, const std::string& name, DWORD& out) const;
  // The text of every string value of the key; none when it cannot be opened.
  std::vector<std::string> ReadRegStrings(HKEY root, StringId key) const;
  bool OpenSettingsKey();
  bool WriteSettingString(const std::string& name, const std::string& data);
  bool WriteSettingStringById(StringId name, const std::string& data);
  bool WriteSettingDword(StringId name, DWORD number);
  void CloseSettingsKey();
  void SetRegString(HKEY root, StringId key, StringId name, const std::string& data) const;
  void SetRegDword(HKEY root, StringId key, StringId name, DWORD number) const;
  void DeleteRegKey(HKEY root, StringId key, int levels) const;
  void DeleteRegValue(HKEY root, StringId key, StringId name) const;
  bool IsSettingsKeyOpen() const { return SettingsKeyHandle.IsValid(); }

  // File set (file_set.cpp).
  void AddFile(StringId id);
  // Every entry of SourceDir that "delete all files" may take from `folder`.
  void AddAllInstalledFiles(const InstallFolder& folder);
  // The listed names that could not be copied.
  std::vector<std::string> CopyListedFiles();
  void DeleteListedFiles();
  bool BackupFile(StringId id);
  // Replaces the installed data file `id` with the distribution's, keeping the
  // user's as its ".bak"; false, with the user's file in place, when it cannot.
  bool ReplaceDataFile(StringId id);
  // Copies the running program into the Windows directory; true when the copy is
  // in place there.
  bool InstallUninstaller();
  const std::vector<std::string>& ListedFiles() const { return FileNameList; }

  // Shell (shell.cpp).
  bool CreateShortcut(const std::string& link, const std::string& target,
                      const std::string& arguments) const;
  // Opens a file of the installed folder through the shell; the started process
  // when the shell started one (a document may open in a running program).
  ScopedHandle RunProgram(StringId file, StringId parameters) const;
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
  void ScheduleSelfDeletion() const;
  // Drops a deletion at the next restart of `path` that an earlier uninstall
  // asked for, and nothing else.
  void CancelPendingDeletion(const std::string& path) const;

  FileVersion ProbedVersion;   // version of the file last read with success
  FileVersion ProgramVersion;  // the main program's version shown on the pages
  std::string SourceDir;       // distribution folder; in uninstall mode the installed one
  std::string InstallDir;      // target folder; empty in uninstall mode
  std::string UninstallerPath; // the uninstaller copy in the Windows directory
  SetupLog Log;                // what the run does, when "/log=" asks for it

 private:
  void EmptyFileList();

  std::vector<std::string> FileNameList;  // bare names for the next copy or delete
  ScopedRegKey SettingsKeyHandle;
};
