// The run: picks install or uninstall mode from the command line and runs the
// wizard until it ends (exit code 0), or its work without a window ("/quiet").
#include "app/main.h"

#include <windows.h>
#include <commctrl.h>

#include <memory>

#include "app/command_line.h"
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

int RunSetup(const std::string& arguments) {
  const ComApartment com;
  InitCommonControls();
  const auto context = std::make_unique<SetupContext>();
  const std::vector<std::string> split = SplitArguments(arguments);
  if (IsQuietRequested(split)) return RunUnattended(*context, IsInstallMode(arguments), split);
  for (WizardState state = FirstState(*context, arguments); state != kEndOfWizard;) {
    state = RunWizardStep(*context, state);
  }
  return 0;
}
