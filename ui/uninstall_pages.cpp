#include "ui/uninstall_pages.h"

#include "setup/steps.h"

void UninstallPage::OnOk() {
  EndPageUnlessFailed(UninstallProgram(Context(), InstallFolder::OfInstallation(Context()),
                                       IsChecked(IDC_DELETE_ALL)),
                      Context().SourceDir);
}

BOOL UninstallDonePage::OnInitPage() {
  ShowVersionText(IDC_PAGE_TEXT, IDS_UNINSTALL_DONE_TEXT);
  return TRUE;
}
