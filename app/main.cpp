// Entry point: picks install or uninstall mode from the command line and runs
// the wizard until it ends. The exit code is always 0.
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>

#include "app/wizard.h"

namespace {

WizardState FirstState(SetupContext& context, const std::string& arguments) {
  // A plain case-sensitive substring search: "x/setupy" selects install mode too.
  if (arguments.find("/setup") != std::string::npos) {
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
  for (WizardState state = FirstState(*context, arguments); state != kEndOfWizard;) {
    state = RunWizardStep(*context, state);
  }
  return 0;
}
