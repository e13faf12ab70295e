// The update wizard's work: the earlier installation's files replaced in place.
// A failed update takes back everything it changed.
#include "setup/data_file_lists.h"
#include "setup/folder_trust.h"
#include "setup/install_folder.h"
#include "setup/installed_files.h"
#include "setup/steps.h"
#include "setup/uninstall_entry.h"

namespace {

bool ReplaceChosen(const UpdateChoices& choices, StringId file) {
  return (file == IDS_FILE_DATES && choices.replaceDates) ||
         (file == IDS_FILE_RUNS && choices.replaceRuns);
}

// The program files beside the main program, then the data files chosen.
bool ReplaceTheOtherFiles(SetupContext& context, const UpdateChoices& choices) {
  for (const InstalledFile& file : kInstalledFiles) {
    if (file.role == FileRole::kProgram && file.name != IDS_FILE_EXE) context.AddFile(file.name);
  }
  if (!CopiedAll(context, context.CopyListedFiles())) return false;
  for (const InstalledFile& file : kInstalledFiles) {
    if (file.role == FileRole::kProgram) continue;
    const bool replace = file.role == FileRole::kReplaceableData && ReplaceChosen(choices, file.name);
    if (replace && !context.ReplaceDataFile(file.name)) return false;
    context.Log.Write(replace ? "replaced" : "kept", context.InstallDir + LoadText(file.name));
  }
  return true;
}

}  // namespace

StepOutcome UpdateInstallation(SetupContext& context, const UpdateChoices& choices) {
  context.Log.Write("update of", context.InstallDir);
  // The programs it starts there would run as administrator.
  if (TrustOfFolder(context.InstallDir) != FolderTrust::kTrusted) {
    return StepOutcome::kFolderNotTrusted;
  }
  if (!context.CloseRunningProgram()) return StepOutcome::kProgramRunning;
  // The main program first, alone: when it cannot be replaced nothing else
  // changes.
  context.AddFile(IDS_FILE_EXE);
  const bool updated =
      context.CopyListedFiles().empty() && ReplaceTheOtherFiles(context, choices) &&
      context.InstallUninstaller() &&
      WriteUninstallEntry(context, RecordedAsMade(context, context.InstallDir)) &&
      RecordCompletion(context) &&
      RegisterProgram(context) &&
      ConvertDataFileLists(context);
  return FinishStep(context, updated, StepOutcome::kNotReplaced);
}
