#pragma once

#include "ui/wizard_page.h"

// Removes the program, its settings, registry entries and shortcuts, and has
// the uninstaller deleted at the next restart.
class UninstallPage : public WizardPage {
 public:
  explicit UninstallPage(SetupContext& context) : WizardPage(context, IDD_UNINSTALL) {}

 protected:
  void OnOk() override;
};

// Reports the removal with the version that was removed.
class UninstallDonePage : public WizardPage {
 public:
  explicit UninstallDonePage(SetupContext& context) : WizardPage(context, IDD_UNINSTALL_DONE) {}

 protected:
  BOOL OnInitPage() override;
};
