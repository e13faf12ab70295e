#pragma once

#include "ui/wizard_page.h"

// Replaces an earlier installation's program files in place.
class UpdatePage : public WizardPage {
 public:
  explicit UpdatePage(SetupContext& context) : WizardPage(context, IDD_UPDATE) {}
};
