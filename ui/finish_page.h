#pragma once

#include "ui/wizard_page.h"

// Last page of the install and update wizards: optionally opens the help and
// starts the program.
class FinishPage : public WizardPage {
 public:
  using WizardPage::WizardPage;

 protected:
  void OnOk() override;
};

class InstallDonePage : public FinishPage {
 public:
  explicit InstallDonePage(SetupContext& context) : FinishPage(context, IDD_INSTALL_DONE) {}
};

class UpdateDonePage : public FinishPage {
 public:
  explicit UpdateDonePage(SetupContext& context) : FinishPage(context, IDD_UPDATE_DONE) {}
};
