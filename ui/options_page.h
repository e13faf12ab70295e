#pragma once

#include "ui/wizard_page.h"

// Install step 2: the chosen shortcuts and skin-file association, then the
// settings that record the installation.
class OptionsPage : public WizardPage {
 public:
  explicit OptionsPage(SetupContext& context) : WizardPage(context, IDD_OPTIONS) {}

 protected:
  void OnOk() override;
};
