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

void DeleteLink(const SetupContext& context, const std::string& link) {
  if (DeleteFileA(link.c_str())) context.Log.Write("deleted", link);
}

// The shortcuts the options page may have made, whether or not it did, in the
// user's folders and in the all-users ones (an install under another account
// or with "/allusers"). An unreadable special folder is skipped rather than
// aimed at the drive root.
void DeleteShortcuts(const SetupContext& context, const ShortcutFolders& folders) {
  const std::string link = LoadText(IDS_LINK_PROGRAM);
  std::string folder;
  if (context.ReadShortcutFolder(folders.root, folders.programs, kProgramGroupFolder, folder)) {
    DeleteLink(context, folder + link);
    DeleteLink(context, folder + LoadText(IDS_LINK_HELP));
    RemoveDirectoryA(folder.c_str());
  }
  for (StringId special : {folders.startup, folders.desktop}) {
    if (context.ReadShortcutFolder(folders.root, special, "\\", folder)) {
      DeleteLink(context, folder + link);
    }
  }
}

}  // namespace

StepOutcome UninstallProgram(SetupContext& context, const InstallFolder& folder,
                             bool deleteAllFiles) {
  context.Log.Write("uninstall of", context.SourceDir);
  if (!context.CloseRunningProgram()) return StepOutcome::kProgramRunning;
  UnregisterProgram(context);
  DeleteFiles(context, folder, deleteAllFiles);
  DeleteRegistryEntries(context);
  DeleteShortcuts(context, kUserShortcutFolders);
  DeleteShortcuts(context, kAllUsersShortcutFolders);
  context.ScheduleSelfDeletion();
  return StepOutcome::kDone;
}
