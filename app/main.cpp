// Entry point: picks install or uninstall mode from the command line and runs
// the wizard until it ends (exit code 0), or its work without a window ("/quiet").
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "app/unattended.h"
#include "app/wizard.h"

namespace {

// A plain case-sensitive substring search: "x/setupy" selects install mode too.
bool IsInstallMode(const std::string& arguments) {
  return arguments.find("/setup") != std::string::npos;
}

WizardState FirstState(SetupContext& context, const std::string& arguments) {
  if (IsInstallMode(arguments)) {
    context.LoadLocation(true);
    return kInstallWelcome;
  }
  if (context.LoadLocation(false)) return kUninstallStart;
  MessageBoxA(nullptr, LoadText(IDS_PATH_NOT_FOUND).c_str(), nullptr, MB_OK | MB_ICONHAND);
  return kEndOfWizard;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
  const ComApartment com;
  InitCommonControls();
  const auto context = std::make_unique<SetupContext>();
  const std::string arguments = commandLine != nullptr ? commandLine : "";
  if (IsQuietRequested(__argc, __argv)) {
    return RunUnattended(*context, IsInstallMode(arguments), __argc, __argv);
  }
  for (WizardState state = FirstState(*context, arguments); state != kEndOfWizard;) {
    state = RunWizardStep(*context, state);
  }
  return 0;
}
