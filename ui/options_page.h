#pragma once

#include "ui/wizard_page.h"

// Install step 2: shortcuts, the skin-file association and the settings.
class OptionsPage : public WizardPage {
 public:
  explicit OptionsPage(SetupContext& context) : WizardPage(context, IDD_OPTIONS) {}
};
