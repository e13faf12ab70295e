#include "tests/driver/setup_state.h"

#include <shlwapi.h>

#include <cwchar>

#include "setup/scoped.h"
#include "tests/driver/driver_common.h"
#include "tests/driver/file_contents.h"
#include "tests/driver/setup_names.h"
#include "tests/driver/test_files.h"

const wchar_t kSettingsKey[] = L"Software\\Morvane\\K!q\\3.x";
const wchar_t kLocationValue[] = L"Location";

namespace {

struct SetupKey {
  HKEY root;
  const wchar_t* path;
};

const SetupKey kSetupKeys[] = {
    {HKEY_CURRENT_USER, L"Software\\Morvane\\K!q"},
    {HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kalendro"},
    {HKEY_CLASSES_ROOT, L".KQS"},
    {HKEY_CLASSES_ROOT, L"kqsfile"},
};

}  // namespace

std::optional<std::wstring> ReadRegString(HKEY root, const std::wstring& key,
                                          const std::wstring& name) {
  ScopedRegKey opened;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_QUERY_VALUE, opened.Receive()) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExW(opened.Get(), name.c_str(), nullptr, &type, nullptr, &size) !=
          ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ)) {
    return std::nullopt;
  }
  std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
  size = static_cast<DWORD>(value.size() * sizeof(wchar_t));
  if (RegQueryValueExW(opened.Get(), name.c_str(), nullptr, nullptr,
                       reinterpret_cast<BYTE*>(&value[0]), &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  value.resize(wcsnlen(value.c_str(), size / sizeof(wchar_t)));
  return value;
}

void WriteRegString(HKEY root, const std::wstring& key, const std::wstring& name,
                    const std::wstring& value) {
  ScopedRegKey created;
  const auto size = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
  if (RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                      created.Receive(), nullptr) != ERROR_SUCCESS ||
      RegSetValueExW(created.Get(), name.c_str(), 0, REG_SZ,
                     reinterpret_cast<const BYTE*>(value.c_str()), size) != ERROR_SUCCESS) {
    throw DriverError("could not write the registry value " + Utf8(key) + "\\" + Utf8(name));
  }
}

void DeleteRegValue(HKEY root, const std::wstring& key, const std::wstring& name) {
  ScopedRegKey opened;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_SET_VALUE, opened.Receive()) == ERROR_SUCCESS) {
    RegDeleteValueW(opened.Get(), name.c_str());
  }
}

bool RegKeyExists(HKEY root, const std::wstring& key) {
  ScopedRegKey opened;
  return RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, opened.Receive()) == ERROR_SUCCESS;
}

std::vector<std::wstring> PresentSetupKeys() {
  std::vector<std::wstring> present;
  for (const SetupKey& key : kSetupKeys) {
    if (RegKeyExists(key.root, key.path)) present.push_back(key.path);
  }
  return present;
}

std::wstring UninstallerCopyPath() { return WindowsFolderFile(L"kquninst.exe"); }

DWORD InstalledKilobytes(const std::wstring& installDir) {
  ULONGLONG bytes = 0;
  for (const std::wstring& name : kInstalledFileNames) {
    bytes += ReadFileBytes(JoinPath(installDir, name)).value_or(std::string()).size();
  }
  return static_cast<DWORD>((bytes + 1023) / 1024);
}

void ClearSetupState() {
  for (const SetupKey& key : kSetupKeys) SHDeleteKeyW(key.root, key.path);
  // The install makes "Software\Morvane" as the parent of its settings key and
  // the uninstall leaves it; gone only while empty, as the tests leave it.
  RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Morvane");
  // A case may have left it read-only, which would keep it for the next case.
  SetFileAttributesW(UninstallerCopyPath().c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(UninstallerCopyPath().c_str());
  RemoveDirectoryW(UninstallerCopyPath().c_str());  // a case may block the copy with one
}
