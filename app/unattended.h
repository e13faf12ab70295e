// The unattended mode: "/quiet" runs a wizard's work without any window, with
// the choices taken from the command line and the result as the exit code.
#pragma once

#include <string>
#include <vector>

#include "setup/setup_context.h"

enum ExitCode {
  kExitDone = 0,
  kExitFailed = 1,          // the main step failed: nothing installed, replaced or removed
  kExitBadCommandLine = 2,  // an argument or a value it does not understand; nothing was done
  kExitNotInstalled = 3,    // uninstall mode found no installation
  kExitAnotherRun = 1618,   // another run of the setup is under way; nothing was done
};

// Whether the arguments (after the program's name) ask for the unattended mode.
bool IsQuietRequested(const std::vector<std::string>& arguments);

// Runs install mode ("/setup", exactly) or uninstall mode without a window;
// every argument must be one the mode knows.
ExitCode RunUnattended(SetupContext& context, const std::vector<std::string>& arguments);
