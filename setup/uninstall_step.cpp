// The uninstall wizard's work.
#include "setup/install_folder.h"
#include "setup/installed_files.h"
#include "setup/steps.h"

namespace {

// The main program's "/UnregServer" run is waited for, at most this long,
// before its files go; when the shell gives no process to wait for, it gets the
// one second it always had.
constexpr DWORD kUnregisterWaitMilliseconds = 5000;
constexpr DWORD kUnregisterPauseMilliseconds = 1000;

void UnregisterProgram(const SetupContext& context) {
  const ScopedHandle process = context.RunProgram(IDS_FILE_EXE, IDS_ARG_UNREGSERVER);
  if (process.IsValid()) {
    WaitForSingleObject(process.Get(), kUnregisterWaitMilliseconds);
  } else {
    Sleep(kUnregisterPauseMilliseconds);
  }
}

// "Delete all files" takes what the folder's provenance allows (install_folder.h).
void DeleteFiles(SetupContext& context, const InstallFolder& folder, bool deleteAll) {
  if (deleteAll) {
    context.AddAllInstalledFiles(folder);
  } else {
    for (const InstalledFile& file : kInstalledFiles) {
      if (file.role == FileRole::kProgram) context.AddFile(file.name);
    }
  }
  context.DeleteListedFiles();
  // Only an emptied folder goes; a subfolder or a locked file keeps it.
  if (deleteAll && folder.Kind() != FolderKind::kShared) folder.RemoveIfEmpty();
}

void DeleteRegistryEntries(const SetupContext& context) {
  context.DeleteRegKey(HKEY_CURRENT_USER, IDS_SETTINGS_KEY, 2);
  context.DeleteRegKey(HKEY_CLASSES_ROOT, IDS_SKIN_EXTENSION_KEY, 1);
  context.DeleteRegKey(HKEY_CLASSES_ROOT, IDS_SKIN_COMMAND_KEY, 4);
  context.DeleteRegKey(HKEY_LOCAL_MACHINE, IDS_UNINSTALL_KEY, 1);
}

// The shortcuts the options page may have made, whether or not it did. An
// unreadable special folder is skipped rather than aimed at the drive root.
void DeleteShortcuts(const SetupContext& context) {
  const std::string link = LoadText(IDS_LINK_PROGRAM);
  std::string folder;
  if (context.ReadShortcutFolder(IDS_FOLDER_PROGRAMS, kProgramGroupFolder, folder)) {
    DeleteFileA((folder + link).c_str());
    DeleteFileA((folder + LoadText(IDS_LINK_HELP)).c_str());
    RemoveDirectoryA(folder.c_str());
  }
  for (StringId special : {IDS_FOLDER_STARTUP, IDS_FOLDER_DESKTOP}) {
    if (context.ReadShortcutFolder(special, "\\", folder)) DeleteFileA((folder + link).c_str());
  }
}

}  // namespace

StepOutcome UninstallProgram(SetupContext& context, const InstallFolder& folder,
                             bool deleteAllFiles) {
  if (!context.CloseRunningProgram()) return StepOutcome::kProgramRunning;
  UnregisterProgram(context);
  DeleteFiles(context, folder, deleteAllFiles);
  DeleteRegistryEntries(context);
  DeleteShortcuts(context);
  context.ScheduleSelfDeletion();
  return StepOutcome::kDone;
}
