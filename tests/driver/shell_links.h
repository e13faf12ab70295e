// The shortcuts that the setup makes in the user's special folders, read back
// through the shell-link object, and a guard that starts and ends a test with
// none of them and with no stand-in program running.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Link and folder names of the setup's shortcuts.
extern const wchar_t kProgramLinkName[];  // "KALENDRO! quintara.lnk"
extern const wchar_t kHelpLinkName[];     // "Справка KALENDRO! quintara.lnk"
extern const wchar_t kProgramGroupName[]; // "KALENDRO!"

// What a link file holds, as IShellLinkW gives it back.
struct ShellLink {
  std::wstring target;
  std::wstring arguments;
  std::wstring workingFolder;
};

// The link file at `path`; throws DriverError when it cannot be loaded.
ShellLink ReadShellLink(const std::wstring& path);

// The value "Programs", "Startup" or "Desktop" of the user's "Shell Folders"
// key; empty when it is missing or not a string.
std::wstring ShellFolder(const std::wstring& value);

// Where the setup puts each shortcut; empty when its special folder cannot be read.
std::wstring ProgramGroupFolder();  // <Programs>\KALENDRO!
std::wstring GroupProgramLink();
std::wstring GroupHelpLink();
std::wstring StartupLink();
std::wstring DesktopLink();

// Deletes the four links and the program group folder, as far as their special
// folders can be read.
void RemoveSetupShortcuts();

// Ends every running kalquint.exe (the stand-ins the setup or a test started).
void EndStandinPrograms();

// EndStandinPrograms and RemoveSetupShortcuts when made and again when it goes.
class ShellStateGuard {
 public:
  ShellStateGuard() { Clear(); }
  ~ShellStateGuard() { Clear(); }
  ShellStateGuard(const ShellStateGuard&) = delete;
  ShellStateGuard& operator=(const ShellStateGuard&) = delete;

 private:
  static void Clear() {
    EndStandinPrograms();
    RemoveSetupShortcuts();
  }
};
