#include "tests/driver/setup_run.h"

#include <cwchar>

#include "tests/driver/window_query.h"

namespace {

bool IsDialog(HWND window) { return WindowClass(window) == L"#32770"; }

// A window whose thread has just come back from a long step counts as hung
// until it takes messages again; queried before, its controls do not answer.
bool TakesMessages(HWND window) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 100, &result) != 0;
}

std::wstring FolderOf(const std::wstring& path) {
  const std::wstring::size_type slash = path.rfind(L'\\');
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

std::wstring VariableName(const std::wstring& entry) {
  // Entries such as "=C:=C:\" keep their leading '=' as part of the name.
  return entry.substr(0, entry.find(L'=', 1));
}

// This process's environment with `extra` set, as a CreateProcessW block.
std::wstring EnvironmentBlock(const std::vector<EnvironmentVariable>& extra) {
  std::vector<std::wstring> entries;
  wchar_t* const strings = GetEnvironmentStringsW();
  for (const wchar_t* entry = strings; *entry != L'\0'; entry += wcslen(entry) + 1) {
    entries.emplace_back(entry);
  }
  FreeEnvironmentStringsW(strings);
  std::wstring block;
  for (const std::wstring& entry : entries) {
    bool replaced = false;
    for (const EnvironmentVariable& variable : extra) {
      replaced = replaced || _wcsicmp(VariableName(entry).c_str(), variable.name.c_str()) == 0;
    }
    if (!replaced) block += entry + L'\0';
  }
  for (const EnvironmentVariable& variable : extra) {
    block += variable.name + L'=' + variable.value + L'\0';
  }
  return block + L'\0';
}

}  // namespace

SetupRun::SetupRun(const std::wstring& program, const std::wstring& arguments,
                   const std::wstring& workingFolder,
                   const std::vector<EnvironmentVariable>& environment) {
  std::wstring commandLine = L"\"" + program + L"\" " + arguments;
  std::wstring block = EnvironmentBlock(environment);
  const std::wstring folder = workingFolder.empty() ? FolderOf(program) : workingFolder;
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started = {};
  if (!CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE,
                      CREATE_UNICODE_ENVIRONMENT, &block[0], folder.c_str(), &startup, &started)) {
    throw DriverError("could not start " + Utf8(program) + ": error " +
                      std::to_string(GetLastError()));
  }
  const ScopedHandle thread(started.hThread);
  process_.Reset(started.hProcess);
  processId_ = started.dwProcessId;
}

SetupRun::SetupRun(DWORD processId)
    : process_(OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION, FALSE,
                           processId)),
      processId_(processId) {}

SetupRun::~SetupRun() {
  if (!IsRunning()) return;
  TerminateProcess(process_.Get(), 1);
  WaitForSingleObject(process_.Get(), static_cast<DWORD>(kControlTimeout.count()));
}

bool SetupRun::IsRunning() const {
  return process_.IsValid() && WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT;
}

std::vector<HWND> SetupRun::TopLevelWindows() const { return VisibleTopLevelWindows(processId_); }

std::string SetupRun::EndedOrShowing() const {
  if (IsRunning()) return "the setup shows " + DescribeWindows(TopLevelWindows());
  DWORD code = 0;
  GetExitCodeProcess(process_.Get(), &code);
  return "the setup has ended with exit code " + std::to_string(code);
}

HWND SetupRun::WaitForWindow(const std::function<bool(HWND)>& matches, const std::string& what,
                             std::chrono::milliseconds timeout) const {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        for (HWND window : TopLevelWindows()) {
          if (matches(window) && TakesMessages(window)) found = window;
        }
        return found != nullptr || !IsRunning();
      },
      timeout);
  if (found == nullptr) throw DriverError(what + " did not appear; " + EndedOrShowing());
  return found;
}

Page SetupRun::WaitForPage(const std::wstring& caption, std::chrono::milliseconds timeout) const {
  return Page(WaitForWindow(
      [&](HWND window) { return IsDialog(window) && WindowCaption(window) == caption; },
      "page '" + Utf8(caption) + "'", timeout));
}

MessageBoxWindow SetupRun::WaitForMessageBox(std::chrono::milliseconds timeout) const {
  return MessageBoxWindow(WaitForWindow(
      [](HWND window) { return IsDialog(window) && IconControl(window) != nullptr; }, "a message box",
      timeout));
}

Page SetupRun::Advance(const Page& page, int buttonId, const std::wstring& nextCaption) const {
  page.Click(buttonId);
  page.WaitClosed();
  return WaitForPage(nextCaption);
}

DWORD SetupRun::WaitForExit(std::chrono::milliseconds timeout) const {
  if (WaitForSingleObject(process_.Get(), static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) {
    throw DriverError("the setup did not end in " + std::to_string(timeout.count()) + " ms; " +
                      EndedOrShowing());
  }
  DWORD code = 0;
  GetExitCodeProcess(process_.Get(), &code);
  return code;
}
