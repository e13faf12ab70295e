#include "ui/finish_page.h"

#include "setup/steps.h"

void FinishPage::OnOk() {
  RunFinishActions(Context(), IsChecked(IDC_SHOW_HELP), IsChecked(IDC_START_PROGRAM));
  EndPage(IDOK);
}
