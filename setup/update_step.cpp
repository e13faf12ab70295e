// The update wizard's work: the earlier installation's files replaced in place.
#include "setup/data_file_lists.h"
#include "setup/install_folder.h"
#include "setup/installed_files.h"
#include "setup/steps.h"
#include "setup/uninstall_entry.h"

namespace {

bool ReplaceChosen(const UpdateChoices& choices, StringId file) {
  return (file == IDS_FILE_DATES && choices.replaceDates) ||
         (file == IDS_FILE_RUNS && choices.replaceRuns);
}

}  // namespace

StepOutcome UpdateInstallation(SetupContext& context, const UpdateChoices& choices) {
  context.Log.Write("update of", context.InstallDir);
  if (!context.CloseRunningProgram()) return StepOutcome::kProgramRunning;
  // The main program first, alone: when it cannot be replaced nothing else has
  // changed, and a second try starts from the user's files as they were.
  context.AddFile(IDS_FILE_EXE);
  if (!context.CopyListedFiles().empty()) return StepOutcome::kNotReplaced;
  for (const InstalledFile& file : kInstalledFiles) {
    if (file.role == FileRole::kProgram && file.name != IDS_FILE_EXE) context.AddFile(file.name);
  }
  context.CopyListedFiles();
  for (const InstalledFile& file : kInstalledFiles) {
    if (file.role == FileRole::kProgram) continue;
    const bool replaced = file.role == FileRole::kReplaceableData &&
                          ReplaceChosen(choices, file.name) && context.ReplaceDataFile(file.name);
    context.Log.Write(replaced ? "replaced" : "kept", context.InstallDir + LoadText(file.name));
  }
  WriteUninstallEntry(context, context.InstallUninstaller(),
                      RecordedAsMade(context, context.InstallDir));
  context.RunProgram(IDS_FILE_EXE, IDS_ARG_REGSERVER);
  ConvertDataFileLists(context);
  return StepOutcome::kDone;
}
