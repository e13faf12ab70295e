#include "ui/finish_page.h"

#include "setup/steps.h"

void FinishPage::OnOk() {
  const bool showHelp = IsChecked(IDC_SHOW_HELP);
  const bool startProgram = IsChecked(IDC_START_PROGRAM);
  RunWork([&] { RunFinishActions(Context(), showHelp, startProgram); });
  EndPage(IDOK);
}
