#pragma once

#include "ui/wizard_page.h"

// First page of the install wizard: which version is about to be installed.
class WelcomePage : public WizardPage {
 public:
  explicit WelcomePage(SetupContext& context) : WizardPage(context, IDD_WELCOME) {}

 protected:
  BOOL OnInitPage() override;
};
