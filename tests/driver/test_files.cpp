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

// The host's name of a path of the prefix.
std::wstring HostPath(const std::wstring& path) {
  using HostName = char* (*)(const wchar_t*);
  const auto hostName = reinterpret_cast<HostName>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  char* name = hostName != nullptr ? hostName(path.c_str()) : nullptr;
  if (name == nullptr) throw DriverError("no host path for " + Utf8(path));
  const std::wstring wide = Widen(name);
  HeapFree(GetProcessHeap(), 0, name);
  return wide;
}

void RunHostProgram(std::wstring commandLine) {
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION started = {};
  if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &started)) {
    throw DriverError("cannot start " + Utf8(commandLine));
  }
  const ScopedHandle process(started.hProcess);
  const ScopedHandle thread(started.hThread);
  WaitForSingleObject(process.Get(), 10000);
}


void RemoveTree(const std::wstring& folder) {
  ForEachEntry(folder, [&](const std::wstring& name, DWORD attributes) {
    const std::wstring path = JoinPath(folder, name);
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
      // A link goes as a link, never followed; Wine's own calls cannot remove one.
      RunHostProgram(L"Z:\\bin\\rm -f \"" + HostPath(path) + L"\"");
      WaitUntil([&] { return GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES; },
                std::chrono::seconds(5));
    } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
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
  // Five fields, then the arguments, which may hold the separator.
  std::vector<std::wstring> fields;
  std::wstring::size_type start = 0;
  for (std::wstring::size_type end; fields.size() < 5 && (end = line.find(L'|', start)) != std::wstring::npos;
       start = end + 1) {
    fields.push_back(line.substr(start, end - start));
  }
  if (fields.size() < 5) throw DriverError("malformed start log line: " + Utf8(line));
  StartRecord record;
  record.processId = static_cast<DWORD>(wcstoul(fields[0].c_str(), nullptr, 10));
  record.parentId = static_cast<DWORD>(wcstoul(fields[1].c_str(), nullptr, 10));
  record.created = wcstoull(fields[2].c_str(), nullptr, 10);
  record.program = fields[3];
  record.folder = fields[4];
  record.arguments = line.substr(start);
  return record;
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


void MakeHostLink(const std::wstring& link, const std::wstring& target) {
  RunHostProgram(L"Z:\\bin\\ln -s \"" + HostPath(target) + L"\" \"" + HostPath(link) + L"\"");
  // A host program's end is not the handle's signal: the link is waited for.
  const auto isLink = [&] {
    const DWORD attributes = GetFileAttributesW(link.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
  };
  if (!WaitUntil(isLink, std::chrono::seconds(5))) throw DriverError("no link at " + Utf8(link));
}

void OpenToEveryone(const std::wstring& folder) {
  RunHostProgram(L"Z:\\bin\\chmod 0777 \"" + HostPath(folder) + L"\"");
  Sleep(500);
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
