#pragma once

#include "ui/wizard_page.h"

// Install step 1: the installation folder, and the installation of the files.
class PathPage : public WizardPage {
 public:
  explicit PathPage(SetupContext& context) : WizardPage(context, IDD_PATH) {}
};
