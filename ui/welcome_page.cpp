#include "ui/welcome_page.h"

BOOL WelcomePage::OnInitPage() {
  ShowVersionText(IDC_PAGE_TEXT, IDS_WELCOME_TEXT);
  return TRUE;
}
