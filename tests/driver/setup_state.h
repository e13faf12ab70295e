// What the setup leaves on the machine outside its folders: its registry keys
// and the uninstaller copy. Tests start and end with none of it.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

// The application's settings key under HKEY_CURRENT_USER, and its "Location" value.
extern const wchar_t kSettingsKey[];
extern const wchar_t kLocationValue[];

std::optional<std::wstring> ReadRegString(HKEY root, const std::wstring& key,
                                          const std::wstring& name);
void WriteRegString(HKEY root, const std::wstring& key, const std::wstring& name,
                    const std::wstring& value);
void DeleteRegValue(HKEY root, const std::wstring& key, const std::wstring& name);
bool RegKeyExists(HKEY root, const std::wstring& key);
// The setup's keys (its settings, uninstall entry and skin classes) that the
// registry this process sees holds.
std::vector<std::wstring> PresentSetupKeys();

// <Windows directory>\kquninst.exe
std::wstring UninstallerCopyPath();

// The installed files' total in `installDir`, in kilobytes rounded up, as the
// uninstall entry's "EstimatedSize" gives it.
DWORD InstalledKilobytes(const std::wstring& installDir);

// Deletes the settings (HKCU Software\Morvane\K!q), the uninstall entry, the
// ".KQS" and "kqsfile" classes and the uninstaller copy.
void ClearSetupState();

// ClearSetupState when made and again when it goes.
class SetupStateGuard {
 public:
  SetupStateGuard() { ClearSetupState(); }
  ~SetupStateGuard() { ClearSetupState(); }
  SetupStateGuard(const SetupStateGuard&) = delete;
  SetupStateGuard& operator=(const SetupStateGuard&) = delete;
};
