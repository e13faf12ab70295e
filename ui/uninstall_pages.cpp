#include "ui/uninstall_pages.h"

BOOL UninstallDonePage::OnInitPage() {
  ShowVersionText(IDC_PAGE_TEXT, IDS_UNINSTALL_DONE_TEXT);
  return TRUE;
}
