// The run: one at a time; reads the command line once, then runs the wizard
// until it ends (exit code 0), or its work without a window ("/quiet").
#include "app/main.h"

#include <windows.h>
#include <commctrl.h>

#include <memory>

#include "app/command_line.h"
#include "app/unattended.h"
#include "app/wizard.h"
#include "setup/system_paths.h"

namespace {

// Every run of install.exe and kquninst.exe holds this lock, machine-wide, so
// that two never work on the same files and keys at once.
class SingleRunLock {
 public:
  SingleRunLock() {
    mutex_.Reset(CreateMutexA(nullptr, FALSE,
                              HasGlobalNamespace() ? "Global\\KalendroQuintaraSetup"
                                                   : "KalendroQuintaraSetup"));
    if (!mutex_.IsValid()) {
      // Held by a run under an account this one may not open it from.
      owned_ = GetLastError() != ERROR_ACCESS_DENIED;
      return;
    }
    // A run that ended without releasing it has left it abandoned, and free.
    const DWORD wait = WaitForSingleObject(mutex_.Get(), 0);
    owned_ = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
  }
  ~SingleRunLock() {
    if (owned_ && mutex_.IsValid()) ReleaseMutex(mutex_.Get());
  }
  SingleRunLock(const SingleRunLock&) = delete;
  SingleRunLock& operator=(const SingleRunLock&) = delete;

  bool Owned() const { return owned_; }

 private:
  ScopedHandle mutex_;
  bool owned_ = false;
};

int RunWizard(SetupContext& context, bool installMode) {
  WizardState state = FirstState(context, installMode);
  if (state == kEndOfWizard && !installMode) {
    MessageBoxA(nullptr, LoadText(IDS_PATH_NOT_FOUND).c_str(), nullptr, MB_OK | MB_ICONHAND);
  }
  while (state != kEndOfWizard) state = RunWizardStep(context, state);
  return 0;
}

}  // namespace

int RunSetup(const std::string& arguments) {
  const CommandLine command = ReadCommandLine(arguments);
  const SingleRunLock lock;
  if (!lock.Owned()) {
    if (command.quiet) return kExitAnotherRun;
    MessageBoxA(nullptr, LoadText(IDS_ANOTHER_SETUP_RUNNING).c_str(), nullptr,
                MB_OK | MB_ICONEXCLAMATION);
    return 0;
  }
  InitCommonControls();
  const auto context = std::make_unique<SetupContext>();
  // A record asked for that cannot be kept: nothing is done without it.
  if (!context->Log.Open(command.logFile)) return kExitBadCommandLine;
  context->Log.Write("started with", arguments);
  const int exitCode =
      command.quiet ? RunUnattended(*context, command) : RunWizard(*context, command.installMode);
  context->Log.Write("ended with exit code", FormatText("%d", exitCode));
  return exitCode;
}
