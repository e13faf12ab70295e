// The uninstall wizard's work. What it deletes cannot be taken back, so it goes
// in an order the next run can finish from: the links, then the files with the
// main program last, then the records that lead to the installation, the
// uninstall entry last of all.
#include "setup/files.h"
#include "setup/folder_trust.h"
#include "setup/install_folder.h"
#include "setup/installed_files.h"
#include "setup/steps.h"

namespace {

// The main program's "/UnregServer" run is waited for, at most this long,
// before its files go; when the shell gives no process to wait for, it gets the
// one second it always had.
constexpr DWORD kUnregisterWaitMilliseconds = 5000;
constexpr DWORD kUnregisterPauseMilliseconds = 1000;

// An earlier run that was cut off may have deleted the program already, and a
// program in a folder others may change is not theirs to have run as administrator.
bool UnregisterProgram(const SetupContext& context, FolderTrust trust) {
  if (trust != FolderTrust::kTrusted || IsMissing(context.SourceDir + LoadText(IDS_FILE_EXE))) {
    return true;
  }
  const StartedProgram unregistering = context.RunProgram(IDS_FILE_EXE, IDS_ARG_UNREGSERVER);
  if (unregistering.process.IsValid()) {
    WaitForSingleObject(unregistering.process.Get(), kUnregisterWaitMilliseconds);
  } else {
    Sleep(kUnregisterPauseMilliseconds);
  }
  return unregistering.started;
}

// "Delete all files" takes what the folder's provenance allows (install_folder.h).
bool DeleteFiles(SetupContext& context, const InstallFolder& folder, bool deleteAll) {
  if (deleteAll) {
    if (!context.AddAllInstalledFiles(folder)) return false;
  } else {
    for (const InstalledFile& file : kInstalledFiles) {
      if (file.role == FileRole::kProgram) context.AddFile(file.name);
    }
  }
  // Only an emptied folder goes; a subfolder or a file the user keeps keeps it.
  return context.DeleteListedFiles() &&
         (!deleteAll || folder.Kind() == FolderKind::kShared || folder.RemoveIfEmpty());
}

bool DeleteLink(const SetupContext& context, const std::string& link) {
  if (DeleteFileA(link.c_str())) {
    context.Log.Write("deleted", link);
    return true;
  }
  return IsMissing(link);
}

// The links the options page may have made, whether or not it did, in the
// user's folders and in the all-users ones (an install under another account
// or with "/allusers"); the program group's folder once it is empty.
bool DeleteLinks(const SetupContext& context, const ShortcutFolders& folders) {
  for (const LinkBox& box : kLinkBoxes) {
    std::string folder;
    if (!context.ReadShortcutFolder(folders.root, folders.*box.folder, box.below, folder)) continue;
    for (const auto& link : box.links) {
      if (link.name != 0 && !DeleteLink(context, folder + LoadText(link.name))) return false;
    }
    if (box.ownFolder && !RemoveFolderIfEmpty(folder.substr(0, folder.size() - 1))) return false;
  }
  return true;
}

bool DeleteRegistryEntries(const SetupContext& context) {
  for (const OwnedKey& key : kOwnedKeys) {
    if (!context.DeleteRegKey(key.root, key.key, OwnedLevels(key))) return false;
  }
  return true;
}

}  // namespace

StepOutcome UninstallProgram(SetupContext& context, const InstallFolder& folder,
                             bool deleteAllFiles) {
  context.Log.Write("uninstall of", context.SourceDir);
  // Through a link, the deletions would reach whatever it leads to.
  const FolderTrust trust = TrustOfFolder(context.SourceDir);
  if (trust == FolderTrust::kThroughLink) return StepOutcome::kFolderNotTrusted;
  if (!context.CloseRunningProgram()) return StepOutcome::kProgramRunning;
  // The uninstaller goes at the restart only with the records that name it:
  // its deletion is taken back when they stay.
  const bool removed = context.ScheduleSelfDeletion() && UnregisterProgram(context, trust) &&
                       DeleteLinks(context, kUserShortcutFolders) &&
                       DeleteLinks(context, kAllUsersShortcutFolders) &&
                       DeleteFiles(context, folder, deleteAllFiles) && DeleteRegistryEntries(context);
  return FinishStep(context, removed, StepOutcome::kNotRemoved);
}
