// The wizard's state machine: one page per state, the button that ended the page
// picks the next state.
#pragma once

#include "setup/setup_context.h"

enum WizardState {
  kEndOfWizard,
  kInstallWelcome,
  kInstallPath,
  kInstallOptions,
  kInstallDone,
  kUninstallStart,
  kUninstallDone,
  kUpdate,
  kUpdateDone,
};

// The first state of a run: the welcome page in install mode, once the
// distribution's folder and version are read; in uninstall mode the uninstall
// page, or kEndOfWizard when no installation is found.
WizardState FirstState(SetupContext& context, bool installMode);

// The state that follows `state` when its page ended with `result` (IDOK, or
// anything else): the one table the wizard and the unattended run both walk.
WizardState NextState(SetupContext& context, WizardState state, INT_PTR result);

// Shows the page of `state` and yields the state that follows it; a state
// without a page ends the run.
WizardState RunWizardStep(SetupContext& context, WizardState state);
