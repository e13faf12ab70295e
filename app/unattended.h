// The unattended mode: "/quiet" runs a wizard's work without any window, with
// the choices taken from the command line and the result as the exit code.
#pragma once

#include "app/command_line.h"
#include "setup/setup_context.h"

enum ExitCode {
  kExitDone = 0,
  kExitFailed = 1,          // a step failed: what it changed is taken back, or left for the next run to finish
  kExitBadCommandLine = 2,  // an argument or a value it does not understand, or a log it cannot write; nothing was done
  kExitNotInstalled = 3,    // uninstall mode found no installation
  kExitAnotherRun = 1618,   // another run of the setup is under way; nothing was done
};

// Walks the wizard's states without showing their pages: each page's work with
// the command line's choices, in the pages' order, until a step fails.
ExitCode RunUnattended(SetupContext& context, const CommandLine& command);
