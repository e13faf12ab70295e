#include "tests/driver/shell_links.h"

#include <objbase.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <cwchar>

#include "setup/scoped.h"
#include "tests/driver/driver_common.h"
#include "tests/driver/setup_state.h"
#include "tests/driver/test_files.h"

const wchar_t kProgramLinkName[] = L"KALENDRO! quintara.lnk";
const wchar_t kHelpLinkName[] = L"Справка KALENDRO! quintara.lnk";
const wchar_t kProgramGroupName[] = L"KALENDRO!";

namespace {

const wchar_t kShellFoldersKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const wchar_t kStandinName[] = L"kalquint.exe";

// COM for the calling thread while it lives; a thread that has it already keeps it.
class ComScope {
 public:
  ComScope() : initialized_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComScope() {
    if (initialized_) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  bool initialized_;
};

// A text that IShellLinkW writes into a buffer of MAX_PATH characters.
template <typename Read>
std::wstring LinkText(Read read) {
  wchar_t text[MAX_PATH] = L"";
  read(text, MAX_PATH);
  return text;
}

// `name` inside the special folder `value`; empty when the folder cannot be read.
std::wstring InShellFolder(const wchar_t* value, const std::wstring& name) {
  const std::wstring folder = ShellFolder(value);
  return folder.empty() ? std::wstring() : JoinPath(folder, name);
}

std::wstring InProgramGroup(const std::wstring& name) {
  const std::wstring group = ProgramGroupFolder();
  return group.empty() ? group : JoinPath(group, name);
}

void DeleteIfNamed(const std::wstring& path) {
  if (!path.empty()) DeleteFileW(path.c_str());
}

void EndProcess(DWORD processId) {
  const ScopedHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId));
  if (!process.IsValid()) return;
  TerminateProcess(process.Get(), 1);
  WaitForSingleObject(process.Get(), static_cast<DWORD>(kControlTimeout.count()));
}

}  // namespace

ShellLink ReadShellLink(const std::wstring& path) {
  const ComScope com;
  ComPtr<IShellLinkW> link;
  ComPtr<IPersistFile> file;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              link.ReceiveVoid())) ||
      FAILED(link->QueryInterface(IID_IPersistFile, file.ReceiveVoid())) ||
      FAILED(file->Load(path.c_str(), STGM_READ))) {
    throw DriverError("could not load the link " + Utf8(path));
  }
  ShellLink read;
  read.target = LinkText([&](wchar_t* text, int size) { link->GetPath(text, size, nullptr, 0); });
  read.arguments = LinkText([&](wchar_t* text, int size) { link->GetArguments(text, size); });
  read.workingFolder =
      LinkText([&](wchar_t* text, int size) { link->GetWorkingDirectory(text, size); });
  return read;
}

std::wstring ShellFolder(const std::wstring& value) {
  return ReadRegString(HKEY_CURRENT_USER, kShellFoldersKey, value).value_or(std::wstring());
}

std::wstring ProgramGroupFolder() { return InShellFolder(L"Programs", kProgramGroupName); }

std::wstring GroupProgramLink() { return InProgramGroup(kProgramLinkName); }

std::wstring GroupHelpLink() { return InProgramGroup(kHelpLinkName); }

std::wstring StartupLink() { return InShellFolder(L"Startup", kProgramLinkName); }

std::wstring DesktopLink() { return InShellFolder(L"Desktop", kProgramLinkName); }

void RemoveSetupShortcuts() {
  for (const std::wstring& link :
       {GroupProgramLink(), GroupHelpLink(), StartupLink(), DesktopLink()}) {
    DeleteIfNamed(link);
  }
  const std::wstring group = ProgramGroupFolder();
  if (!group.empty()) RemoveDirectoryW(group.c_str());
}

void EndStandinPrograms() {
  // A failed snapshot is INVALID_HANDLE_VALUE, as a failed file open is.
  const ScopedFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot.IsValid()) return;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL found = Process32FirstW(snapshot.Get(), &entry); found;
       found = Process32NextW(snapshot.Get(), &entry)) {
    if (_wcsicmp(entry.szExeFile, kStandinName) == 0) EndProcess(entry.th32ProcessID);
  }
}
