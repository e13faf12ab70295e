// The unattended mode: "/quiet" runs a wizard's work without any window, with
// the choices taken from the command line and the result as the exit code.
#pragma once

#include <string>
#include <vector>

#include "setup/setup_context.h"

enum ExitCode {
  kExitDone = 0,
  kExitFailed = 1,          // the main step failed: nothing installed, replaced or removed
  kExitBadCommandLine = 2,  // a switch's value it does not understand; nothing was done
  kExitNotInstalled = 3,    // uninstall mode found no installation
};

// Whether the arguments (after the program's name) ask for the unattended mode.
bool IsQuietRequested(const std::vector<std::string>& arguments);

// Runs install mode (`installMode`) or uninstall mode without a window.
ExitCode RunUnattended(SetupContext& context, bool installMode,
                       const std::vector<std::string>& arguments);
