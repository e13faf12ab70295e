// A started install.exe (or any program), owned for the length of a test: its
// windows are found by process, its end is awaited with a bound, and a child
// still running when the owner goes is killed.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "setup/scoped.h"
#include "tests/driver/driver_common.h"
#include "tests/driver/page.h"

struct EnvironmentVariable {
  std::wstring name;
  std::wstring value;
};

class SetupRun {
 public:
  // Starts `program` with `arguments` in `workingFolder` (the program's own
  // folder when empty), with `environment` added to this process's variables.
  SetupRun(const std::wstring& program, const std::wstring& arguments,
           const std::wstring& workingFolder = std::wstring(),
           const std::vector<EnvironmentVariable>& environment = {});
  // The running process `processId`, owned from now on; none when it has ended.
  explicit SetupRun(DWORD processId);
  ~SetupRun();
  SetupRun(SetupRun&&) = default;
  SetupRun& operator=(SetupRun&&) = delete;

  DWORD ProcessId() const { return processId_; }
  bool IsRunning() const;

  // The visible dialog of this process with exactly `caption`.
  Page WaitForPage(const std::wstring& caption,
                   std::chrono::milliseconds timeout = kPageTimeout) const;
  // The visible message box of this process (a dialog that holds an icon control).
  MessageBoxWindow WaitForMessageBox(std::chrono::milliseconds timeout = kPageTimeout) const;
  // Clicks `buttonId` on `page`, waits until the page has gone, then for the next page.
  Page Advance(const Page& page, int buttonId, const std::wstring& nextCaption) const;

  std::vector<HWND> TopLevelWindows() const;
  // The exit code; throws DriverError when the process still runs after `timeout`.
  DWORD WaitForExit(std::chrono::milliseconds timeout = kExitTimeout) const;

 private:
  HWND WaitForWindow(const std::function<bool(HWND)>& matches, const std::string& what,
                     std::chrono::milliseconds timeout) const;
  std::string EndedOrShowing() const;

  ScopedHandle process_;
  DWORD processId_ = 0;
};
