#include "ui/update_page.h"

#include "setup/data_file_lists.h"

namespace {

bool FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

void UpdatePage::OnOk() {
  SetupContext& context = Context();
  context.CloseRunningProgram();
  context.AddFile(IDS_FILE_CNT);
  context.AddFile(IDS_FILE_EXE);
  context.AddFile(IDS_FILE_HLP);
  if (IsChecked(IDC_BACKUP_DATES)) ListReplacedDataFile(IDS_FILE_DATES);
  if (IsChecked(IDC_BACKUP_RUNS)) ListReplacedDataFile(IDS_FILE_RUNS);
  context.AddFile(IDS_FILE_UPDATE);
  context.CopyListedFiles();
  context.InstallUninstaller();
  context.RunProgram(IDS_FILE_EXE, IDS_ARG_REGSERVER);
  ConvertDataFileLists(context);
  EndPage(IDOK);
}

// The user's file is replaced only once it is safe in its backup; a missing one
// is simply installed from the distribution.
void UpdatePage::ListReplacedDataFile(StringId file) {
  SetupContext& context = Context();
  if (context.BackupFile(file) || !FileExists(context.InstallDir + LoadText(file))) {
    context.AddFile(file);
  }
}
