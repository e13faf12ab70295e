#include "tests/demo/machine_snapshot.h"

#include <cstdio>
#include <cstring>
#include <cwchar>

#include "setup/scoped.h"
#include "tests/driver/file_contents.h"
#include "tests/driver/shell_links.h"
#include "tests/driver/wizard_driver.h"

namespace {

// A registry subtree of the setup, or with `onlyValue` one value of a key.
struct RegArea {
  HKEY root;
  const wchar_t* rootName;
  const wchar_t* key;
  const wchar_t* onlyValue;
};

const RegArea kSetupAreas[] = {
    {HKEY_CURRENT_USER, L"HKCU", kSettingsKey, nullptr},
    {HKEY_LOCAL_MACHINE, L"HKLM",
     L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kalendro", nullptr},
    {HKEY_CLASSES_ROOT, L"HKCR", L".KQS", nullptr},
    {HKEY_CLASSES_ROOT, L"HKCR", L"kqsfile", nullptr},
    // Where the uninstaller's deletion at the next restart is recorded.
    {HKEY_LOCAL_MACHINE, L"HKLM", L"System\\CurrentControlSet\\Control\\Session Manager",
     L"PendingFileRenameOperations"},
};

std::wstring MultiStringText(const wchar_t* text, size_t length) {
  std::wstring joined;
  for (size_t at = 0; at < length && text[at] != L'\0'; at += wcslen(text + at) + 1) {
    if (!joined.empty()) joined += L" | ";
    joined += L"\"" + std::wstring(text + at) + L"\"";
  }
  return L"[" + joined + L"]";
}

std::wstring BinaryText(const std::vector<BYTE>& data) {
  std::wstring text = L"binary";
  for (BYTE byte : data) {
    wchar_t hex[4];
    std::swprintf(hex, sizeof hex / sizeof hex[0], L" %02x", byte);
    text += hex;
  }
  return text;
}

std::wstring ValueText(DWORD type, const std::vector<BYTE>& data) {
  const auto* const text = reinterpret_cast<const wchar_t*>(data.data());
  const size_t length = data.size() / sizeof(wchar_t);
  DWORD number = 0;
  switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
      return L"\"" + std::wstring(text, wcsnlen(text, length)) + L"\"";
    case REG_MULTI_SZ:
      return MultiStringText(text, length);
    case REG_DWORD:
      std::memcpy(&number, data.data(), data.size() < sizeof number ? data.size() : sizeof number);
      return std::to_wstring(number);
    case REG_BINARY:
      return BinaryText(data);
    default:
      return L"type " + std::to_wstring(type) + L", " + std::to_wstring(data.size()) + L" bytes";
  }
}

void AddKey(const RegArea& area, const std::wstring& key, MachineSnapshot& snapshot) {
  ScopedRegKey opened;
  if (RegOpenKeyExW(area.root, key.c_str(), 0, KEY_READ, opened.Receive()) != ERROR_SUCCESS) {
    return;
  }
  for (DWORD index = 0;; ++index) {
    wchar_t name[256];
    auto nameLength = static_cast<DWORD>(sizeof name / sizeof name[0]);
    DWORD type = 0;
    std::vector<BYTE> data(16384);
    auto size = static_cast<DWORD>(data.size());
    if (RegEnumValueW(opened.Get(), index, name, &nameLength, nullptr, &type, data.data(), &size) !=
        ERROR_SUCCESS) {
      break;
    }
    if (area.onlyValue != nullptr && _wcsicmp(name, area.onlyValue) != 0) continue;
    data.resize(size);
    const std::wstring shownName = nameLength == 0 ? L"(default)" : name;
    snapshot[L"reg " + std::wstring(area.rootName) + L"\\" + key + L"\\" + shownName] =
        ValueText(type, data);
  }
  if (area.onlyValue != nullptr) return;
  for (DWORD index = 0;; ++index) {
    wchar_t subkey[256];
    auto length = static_cast<DWORD>(sizeof subkey / sizeof subkey[0]);
    if (RegEnumKeyExW(opened.Get(), index, subkey, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    AddKey(area, key + L"\\" + subkey, snapshot);
  }
}

// Calls `visit` with the path of each file directly in `folder` that matches `pattern`.
template <typename Visit>
void ForEachFile(const std::wstring& folder, const wchar_t* pattern, Visit visit) {
  if (folder.empty()) return;
  WIN32_FIND_DATAW entry;
  const ScopedFind find(FindFirstFileW(JoinPath(folder, pattern).c_str(), &entry));
  if (!find.IsValid()) return;
  do {
    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      visit(JoinPath(folder, entry.cFileName));
    }
  } while (FindNextFileW(find.Get(), &entry));
}

// FNV-1a of the file's bytes: enough to tell a replaced file from its original.
unsigned ContentSum(const std::wstring& path, ULONGLONG& size) {
  const ScopedFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  unsigned sum = 2166136261u;
  size = 0;
  BYTE buffer[65536];
  DWORD read = 0;
  while (file.IsValid() && ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr) &&
         read > 0) {
    for (DWORD at = 0; at < read; ++at) sum = (sum ^ buffer[at]) * 16777619u;
    size += read;
  }
  return sum;
}

std::wstring VersionText(const std::wstring& path) {
  const unsigned long long version = VersionBlock(path).FileVersion();
  if (version == 0) return std::wstring();
  return L"version " + std::to_wstring(version >> 48) + L"." +
         std::to_wstring((version >> 32) & 0xFFFF) + L"." + std::to_wstring((version >> 16) & 0xFFFF) +
         L"." + std::to_wstring(version & 0xFFFF) + L", ";
}

void AddFile(const std::wstring& path, MachineSnapshot& snapshot) {
  ULONGLONG size = 0;
  const unsigned sum = ContentSum(path, size);
  wchar_t sumText[16];
  std::swprintf(sumText, sizeof sumText / sizeof sumText[0], L"%08x", sum);
  snapshot[L"file " + path] = VersionText(path) + std::to_wstring(size) + L" bytes, sum " + sumText;
}

std::wstring LinkText(const std::wstring& path) {
  try {
    const ShellLink link = ReadShellLink(path);
    return L"-> " + link.target + (link.arguments.empty() ? L"" : L" " + link.arguments);
  } catch (const DriverError&) {
    return L"(unreadable)";
  }
}

std::vector<std::wstring> LinkFolders() {
  return {ProgramGroupFolder(), ShellFolder(L"Startup"), ShellFolder(L"Desktop")};
}

}  // namespace

MachineSnapshot TakeSnapshot(const std::wstring& installFolder) {
  MachineSnapshot snapshot;
  ForEachFile(installFolder, L"*", [&](const std::wstring& path) { AddFile(path, snapshot); });
  if (FileExists(UninstallerCopyPath())) AddFile(UninstallerCopyPath(), snapshot);
  for (const RegArea& area : kSetupAreas) AddKey(area, area.key, snapshot);
  for (const std::wstring& folder : LinkFolders()) {
    ForEachFile(folder, L"*.lnk",
                [&](const std::wstring& path) { snapshot[L"link " + path] = LinkText(path); });
  }
  return snapshot;
}

std::vector<std::string> Differences(const MachineSnapshot& before, const MachineSnapshot& after) {
  std::map<std::wstring, std::wstring> lines;  // by what changed, so that lines sort by path
  for (const auto& [name, value] : before) {
    const auto found = after.find(name);
    if (found == after.end()) {
      lines[name] = L"- " + name + L" = " + value;
    } else if (found->second != value) {
      lines[name] = L"~ " + name + L": " + value + L" -> " + found->second;
    }
  }
  for (const auto& [name, value] : after) {
    if (before.count(name) == 0) lines[name] = L"+ " + name + L" = " + value;
  }
  std::vector<std::string> printed;
  printed.reserve(lines.size());
  for (const auto& line : lines) printed.push_back(Utf8(line.second));
  return printed;
}

void ClearSetupLeftovers(const std::wstring& installFolder) {
  EndStandinPrograms();
  ClearSetupState();
  RemoveSetupShortcuts();
  ForEachFile(installFolder, L"*", [](const std::wstring& path) { DeleteFileW(path.c_str()); });
  RemoveDirectoryW(installFolder.c_str());
}

std::wstring ProposedInstallFolder() {
  return ReadRegString(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion",
                       L"ProgramFilesDir")
             .value_or(std::wstring()) +
         L"\\KALENDRO";
}
