#include "tests/driver/test_files.h"

#include <cwchar>

#include "setup/scoped.h"
#include "tests/driver/driver_common.h"
#include "tests/driver/file_contents.h"

const wchar_t kNoProgram[] = L"";

namespace {

constexpr wchar_t kProgramName[] = L"kalquint.exe";
constexpr wchar_t kStartLogVariable[] = L"KALQUINT_LOG";

bool IsDots(const wchar_t* name) { return wcscmp(name, L".") == 0 || wcscmp(name, L"..") == 0; }

// Calls `visit` with the name and attributes of each entry of `folder`.
template <typename Visit>
void ForEachEntry(const std::wstring& folder, Visit visit) {
  WIN32_FIND_DATAW entry;
  const ScopedFind find(FindFirstFileW(JoinPath(folder, L"*").c_str(), &entry));
  if (!find.IsValid()) return;
  do {
    if (!IsDots(entry.cFileName)) visit(std::wstring(entry.cFileName), entry.dwFileAttributes);
  } while (FindNextFileW(find.Get(), &entry));
}

void RemoveTree(const std::wstring& folder) {
  ForEachEntry(folder, [&](const std::wstring& name, DWORD attributes) {
    const std::wstring path = JoinPath(folder, name);
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
      RemoveTree(path);
    } else {
      SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileW(path.c_str());
    }
  });
  RemoveDirectoryW(folder.c_str());
}

std::wstring WithBackslashes(std::wstring path) {
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  return path;
}

StartRecord ParseStart(const std::wstring& line) {
  const std::wstring::size_type first = line.find(L'|');
  const std::wstring::size_type second = line.find(L'|', first + 1);
  if (second == std::wstring::npos) throw DriverError("malformed start log line: " + Utf8(line));
  StartRecord start;
  start.processId = static_cast<DWORD>(wcstoul(line.substr(0, first).c_str(), nullptr, 10));
  start.program = line.substr(first + 1, second - first - 1);
  start.arguments = line.substr(second + 1);
  return start;
}

}  // namespace

std::wstring BuildDir() { return WithBackslashes(Widen(WIZARD_DRIVER_BUILD_DIR)); }

std::wstring InstallExePath() { return BuildDir() + L"\\bin\\install.exe"; }

std::wstring DistributionDir() { return BuildDir() + L"\\distribution"; }

std::wstring StandinPath(const std::wstring& variant) {
  return BuildDir() + L"\\standins\\" + variant + L"\\" + kProgramName;
}

std::wstring JoinPath(const std::wstring& folder, const std::wstring& name) {
  if (!folder.empty() && folder.back() == L'\\') return folder + name;
  return folder + L'\\' + name;
}

std::wstring ShortPath(const std::wstring& path) {
  wchar_t shortPath[MAX_PATH] = L"";
  const DWORD length = GetShortPathNameW(path.c_str(), shortPath, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::wstring(shortPath, length) : path;
}

bool FileExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string NarrowFolder(const std::wstring& folder) { return Narrow(JoinPath(folder, L"")); }

void CopyFileOrThrow(const std::wstring& from, const std::wstring& to) {
  if (!CopyFileW(from.c_str(), to.c_str(), FALSE)) {
    throw DriverError("could not copy " + Utf8(from) + " to " + Utf8(to));
  }
}

TempFolder::TempFolder() {
  static unsigned made = 0;
  wchar_t temp[MAX_PATH] = L"";
  GetTempPathW(MAX_PATH, temp);
  path_ = JoinPath(temp, L"kq-e2e-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                             std::to_wstring(++made));
  RemoveTree(path_);  // left over from a run that was killed
  if (!CreateDirectoryW(path_.c_str(), nullptr)) {
    throw DriverError("could not make the folder " + Utf8(path_));
  }
}

TempFolder::~TempFolder() {
  // A program started from the folder may still be ending and hold its file.
  WaitUntil(
      [&] {
        RemoveTree(path_);
        return !FileExists(path_);
      },
      kControlTimeout);
}

std::wstring TempFolder::MakeFolder(const std::wstring& name) const {
  const std::wstring folder = File(name);
  if (!CreateDirectoryW(folder.c_str(), nullptr)) {
    throw DriverError("could not make the folder " + Utf8(folder));
  }
  return folder;
}

std::wstring MakeDistribution(const std::wstring& folder, const std::wstring& variant) {
  const std::wstring source = DistributionDir();
  ForEachEntry(source, [&](const std::wstring& name, DWORD attributes) {
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) && _wcsicmp(name.c_str(), kProgramName) != 0) {
      CopyFileOrThrow(JoinPath(source, name), JoinPath(folder, name));
    }
  });
  if (!variant.empty()) CopyFileOrThrow(StandinPath(variant), JoinPath(folder, kProgramName));
  return JoinPath(folder, L"install.exe");
}

std::vector<StartRecord> ReadStartLog(const std::wstring& path) {
  const std::wstring content = Widen(ReadFileBytes(path).value_or(""), SystemCodePage());
  std::vector<StartRecord> starts;
  std::wstring::size_type begin = 0;
  for (std::wstring::size_type end; (end = content.find(L"\r\n", begin)) != std::wstring::npos;
       begin = end + 2) {
    starts.push_back(ParseStart(content.substr(begin, end - begin)));
  }
  return starts;
}

ScopedStartLog::ScopedStartLog() : path_(folder_.File(L"starts.log")) {
  SetEnvironmentVariableW(kStartLogVariable, path_.c_str());
}

ScopedStartLog::~ScopedStartLog() { SetEnvironmentVariableW(kStartLogVariable, nullptr); }

std::vector<StartRecord> ScopedStartLog::WaitForStarts(size_t count,
                                                       std::chrono::milliseconds timeout) const {
  std::vector<StartRecord> starts;
  WaitUntil(
      [&] {
        starts = ReadStartLog(path_);
        return starts.size() >= count;
      },
      timeout);
  return starts;
}
