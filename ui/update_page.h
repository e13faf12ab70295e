#pragma once

#include "ui/wizard_page.h"

// Replaces an earlier installation's program files in place, optionally after
// keeping the user's dates and runs files as ".bak" backups.
class UpdatePage : public WizardPage {
 public:
  explicit UpdatePage(SetupContext& context) : WizardPage(context, IDD_UPDATE) {}

 protected:
  void OnOk() override;
};
