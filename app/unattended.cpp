#include "app/unattended.h"

#include "app/wizard.h"
#include "setup/steps.h"

namespace {

ExitCode Refused(const SetupContext& context) {
  context.Log.Write("refused: a command line it does not understand");
  return kExitBadCommandLine;
}

// What the page of `state` does on OK, with the command line's choices in
// place of its controls. Nothing is started at the end.
StepOutcome DoPageWork(SetupContext& context, WizardState state, const CommandLine& command,
                       InstallFolder& folder) {
  switch (state) {
    case kInstallPath:
      return InstallProgramFiles(context, folder);
    case kInstallOptions:
      return ApplyInstallOptions(context, command.options);
    case kUpdate:
      return UpdateInstallation(context, command.backups);
    case kUninstallStart:
      return UninstallProgram(context, InstallFolder::OfInstallation(context), false);
    default:
      return StepOutcome::kDone;
  }
}

}  // namespace

ExitCode RunUnattended(SetupContext& context, const CommandLine& command) {
  if (!command.understood) return Refused(context);
  InstallFolder folder = InstallFolder::Typed(
      context, !command.installMode ? std::string()
               : command.folderGiven ? command.folder
                                     : ProposedInstallFolder(context));
  // A folder given blank, or with a device prefix, names nothing to install into.
  if (command.folderGiven && !folder.IsUsable()) return Refused(context);
  WizardState state = FirstState(context, command.installMode);
  if (state == kEndOfWizard) return kExitNotInstalled;
  for (; state != kEndOfWizard; state = NextState(context, state, IDOK)) {
    if (DoPageWork(context, state, command, folder) != StepOutcome::kDone) return kExitFailed;
  }
  return kExitDone;
}
