// The update wizard's work: the earlier installation's files replaced in place.
#include "setup/data_file_lists.h"
#include "setup/installed_files.h"
#include "setup/steps.h"
#include "setup/uninstall_entry.h"

namespace {

bool ReplaceChosen(const UpdateChoices& choices, StringId file) {
  return (file == IDS_FILE_DATES && choices.replaceDates) ||
         (file == IDS_FILE_RUNS && choices.replaceRuns);
}

// The user's file is replaced only once it is safe in its backup; a missing one
// is simply installed from the distribution.
void ListReplacedDataFile(SetupContext& context, StringId file) {
  if (context.BackupFile(file) || !FileExists(context.InstallDir + LoadText(file))) {
    context.AddFile(file);
  }
}

}  // namespace

StepOutcome UpdateInstallation(SetupContext& context, const UpdateChoices& choices) {
  if (!context.CloseRunningProgram()) return StepOutcome::kProgramRunning;
  for (const InstalledFile& file : kInstalledFiles) {
    if (file.role == FileRole::kProgram) {
      context.AddFile(file.name);
    } else if (file.role == FileRole::kReplaceableData && ReplaceChosen(choices, file.name)) {
      ListReplacedDataFile(context, file.name);
    }
  }
  if (MainProgramFailed(context.CopyListedFiles())) return StepOutcome::kNotReplaced;
  context.InstallUninstaller();
  RefreshUninstallEntry(context);
  context.RunProgram(IDS_FILE_EXE, IDS_ARG_REGSERVER);
  ConvertDataFileLists(context);
  return StepOutcome::kDone;
}
