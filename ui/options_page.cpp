#include "ui/options_page.h"

#include "setup/steps.h"

void OptionsPage::OnOk() {
  InstallOptions options;
  options.desktop = IsChecked(IDC_OPT_DESKTOP);
  options.associate = IsChecked(IDC_OPT_ASSOCIATE);
  options.startup = IsChecked(IDC_OPT_STARTUP);
  options.group = IsChecked(IDC_OPT_GROUP);
  RunStep([&] { return ApplyInstallOptions(Context(), options); }, Context().InstallDir);
}
