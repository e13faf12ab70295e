#include "ui/finish_page.h"

// RunFinishActions: the help first, then the program, each only when ticked.
void FinishPage::OnOk() {
  if (IsChecked(IDC_SHOW_HELP)) Context().RunProgram(IDS_FILE_HLP, 0);
  if (IsChecked(IDC_START_PROGRAM)) Context().RunProgram(IDS_FILE_EXE, 0);
  EndPage(IDOK);
}
