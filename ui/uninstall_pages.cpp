#include "ui/uninstall_pages.h"

#include "setup/shared_folder.h"

namespace {

// The one second the main program gets for "/UnregServer" before its files go.
constexpr DWORD kUnregisterPauseMilliseconds = 1000;

constexpr StringId kProgramFiles[] = {IDS_FILE_CNT, IDS_FILE_EXE, IDS_FILE_HLP, IDS_FILE_UPDATE};

}  // namespace

void UninstallPage::OnOk() {
  SetupContext& context = Context();
  context.CloseRunningProgram();
  context.RunProgram(IDS_FILE_EXE, IDS_ARG_UNREGSERVER);
  Sleep(kUnregisterPauseMilliseconds);
  DeleteFiles(IsChecked(IDC_DELETE_ALL) && !IsSharedFolder(context.SourceDir));
  DeleteRegistryEntries();
  DeleteShortcuts();
  context.ScheduleSelfDeletion();
  EndPage(IDOK);
}

void UninstallPage::DeleteFiles(bool everyFile) {
  SetupContext& context = Context();
  if (everyFile) {
    context.AddAllInstalledFiles();
  } else {
    for (StringId file : kProgramFiles) context.AddFile(file);
  }
  context.DeleteListedFiles();
  // Only an emptied folder goes; a subfolder or a locked file keeps it.
  if (everyFile) RemoveDirectoryA(context.SourceDir.c_str());
}

void UninstallPage::DeleteRegistryEntries() {
  const SetupContext& context = Context();
  context.DeleteRegKey(HKEY_CURRENT_USER, IDS_SETTINGS_KEY, 2);
  context.DeleteRegKey(HKEY_CLASSES_ROOT, IDS_SKIN_EXTENSION_KEY, 1);
  context.DeleteRegKey(HKEY_CLASSES_ROOT, IDS_SKIN_COMMAND_KEY, 4);
  context.DeleteRegKey(HKEY_LOCAL_MACHINE, IDS_UNINSTALL_KEY, 1);
}

// The shortcuts the options page may have made, whether or not it did. An
// unreadable special folder is skipped rather than aimed at the drive root.
void UninstallPage::DeleteShortcuts() {
  const SetupContext& context = Context();
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

BOOL UninstallDonePage::OnInitPage() {
  ShowVersionText(IDC_PAGE_TEXT, IDS_UNINSTALL_DONE_TEXT);
  return TRUE;
}
