// What the setup shows and uses under fixed names: its page captions, the files
// an install puts into its folder, its uninstall entry, and the values where it
// finds the user's special folders and asks for deletion at the next restart.
#pragma once

#include <string>
#include <vector>

extern const wchar_t kWelcomeCaption[];
extern const wchar_t kPathCaption[];
extern const wchar_t kOptionsCaption[];
extern const wchar_t kInstallDoneCaption[];
extern const wchar_t kUpdateCaption[];     // the update page and its finish page alike
extern const wchar_t kUninstallCaption[];  // the uninstall page and its finish page alike

// The welcome page's text for a distribution of `version` ("3.1.0.5").
std::wstring WelcomeText(const std::wstring& version);

// The seven files that the path page copies, in the order it copies them.
extern const std::vector<std::wstring> kInstalledFileNames;

// Under HKEY_LOCAL_MACHINE.
extern const wchar_t kUninstallKey[];
// Under HKEY_LOCAL_MACHINE: where the system keeps the renames and deletions it
// does at the next restart, as an uninstall asks it to.
extern const wchar_t kSessionManagerKey[];
extern const wchar_t kPendingRenamesValue[];
// Under HKEY_CURRENT_USER. Wine's shell rewrites a "Shell Folders" value from its
// "User Shell Folders" twin whenever a program asks it for that folder.
extern const wchar_t kShellFoldersKey[];
extern const wchar_t kUserShellFoldersKey[];
