#include "tests/driver/file_contents.h"

#include <windows.h>

#include <algorithm>

#include "setup/scoped.h"
#include "tests/driver/driver_common.h"
#include "tests/driver/test_files.h"

std::optional<std::string> ReadFileBytes(const std::wstring& path) {
  const ScopedFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsValid()) return std::nullopt;
  std::string bytes(GetFileSize(file.Get(), nullptr), '\0');
  DWORD read = 0;
  if (!bytes.empty() &&
      !ReadFile(file.Get(), &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr)) {
    return std::nullopt;
  }
  bytes.resize(read);
  return bytes;
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  const ScopedFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  if (!file.IsValid() ||
      !WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
      written != bytes.size()) {
    throw DriverError("could not write " + Utf8(path));
  }
}

std::optional<std::string> ReadFileBytes(const std::string& path) {
  return ReadFileBytes(Widen(path, CP_ACP));
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  WriteFileBytes(Widen(path, CP_ACP), bytes);
}

std::vector<std::wstring> FolderEntries(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW entry;
  const ScopedFind find(FindFirstFileW(JoinPath(folder, L"*").c_str(), &entry));
  if (!find.IsValid()) return names;
  do {
    const std::wstring name = entry.cFileName;
    if (name != L"." && name != L"..") names.push_back(name);
  } while (FindNextFileW(find.Get(), &entry));
  std::sort(names.begin(), names.end());
  return names;
}

std::map<std::wstring, std::string> FolderContents(const std::wstring& folder) {
  std::map<std::wstring, std::string> contents;
  for (const std::wstring& name : FolderEntries(folder)) {
    contents[name] = ReadFileBytes(JoinPath(folder, name)).value_or(std::string());
  }
  return contents;
}

std::wstring WindowsFolder() {
  wchar_t windows[MAX_PATH] = L"";
  return std::wstring(windows, GetWindowsDirectoryW(windows, MAX_PATH));
}

std::wstring WindowsFolderFile(const std::wstring& name) { return JoinPath(WindowsFolder(), name); }

VersionBlock::VersionBlock(const std::wstring& path) {
  DWORD ignored = 0;
  block_.resize(GetFileVersionInfoSizeW(path.c_str(), &ignored));
  if (!block_.empty() &&
      !GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(block_.size()), block_.data())) {
    block_.clear();
  }
}

unsigned long long VersionBlock::FileVersion() const {
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (block_.empty() ||
      !VerQueryValueW(block_.data(), L"\\", reinterpret_cast<void**>(&fixed), &length)) {
    return 0;
  }
  return (static_cast<unsigned long long>(fixed->dwFileVersionMS) << 32) | fixed->dwFileVersionLS;
}

std::wstring VersionBlock::Text(const std::wstring& name) const {
  void* value = nullptr;
  UINT length = 0;
  if (block_.empty() ||
      !VerQueryValueW(block_.data(), (L"\\StringFileInfo\\041904b0\\" + name).c_str(), &value,
                      &length)) {
    return L"";
  }
  return std::wstring(static_cast<const wchar_t*>(value), length > 0 ? length - 1 : 0);
}
