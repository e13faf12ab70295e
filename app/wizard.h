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

// Shows the page of `state` and yields the state that follows it; a state
// without a page ends the run.
WizardState RunWizardStep(SetupContext& context, WizardState state);
