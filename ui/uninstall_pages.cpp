#include "ui/uninstall_pages.h"

#include "setup/steps.h"

void UninstallPage::OnOk() {
  const bool deleteAllFiles = IsChecked(IDC_DELETE_ALL);
  RunStep(
      [&] {
        return UninstallProgram(Context(), InstallFolder::OfInstallation(Context()),
                                deleteAllFiles);
      },
      Context().SourceDir);
}

BOOL UninstallDonePage::OnInitPage() {
  ShowVersionText(IDC_PAGE_TEXT, IDS_UNINSTALL_DONE_TEXT);
  return TRUE;
}
