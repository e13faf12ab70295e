#include "ui/update_page.h"

#include "setup/steps.h"

void UpdatePage::OnOk() {
  UpdateChoices choices;
  choices.replaceDates = IsChecked(IDC_BACKUP_DATES);
  choices.replaceRuns = IsChecked(IDC_BACKUP_RUNS);
  RunStep([&] { return UpdateInstallation(Context(), choices); }, Context().InstallDir);
}
