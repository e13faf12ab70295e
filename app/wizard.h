// The wizard's state machine: one page per state, the button that ended the page
// picks the next state.
#pragma once

#include "setup/setup_context.h"

// 0 ends the run; 1 to 8 name a page.
using WizardState = int;

constexpr WizardState kEndOfWizard = 0;
constexpr WizardState kInstallWelcome = 1;
constexpr WizardState kUninstallStart = 5;

// Shows the page of `state` and yields the state that follows it. A state
// without a page yields itself unchanged, so 0 ends the loop.
WizardState RunWizardStep(SetupContext& context, WizardState state);
