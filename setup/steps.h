// The work of each wizard page as a plain function over the user's choices: a
// walk through the pages and an unattended run do the same, in the same order.
#pragma once

#include <string>

#include "setup/setup_context.h"

struct InstallOptions {
  bool desktop = false;
  bool associate = false;
  bool startup = false;
  bool group = false;
};

// The update's two boxes: replace the user's file, keeping the current one as ".bak".
struct UpdateChoices {
  bool replaceDates = false;
  bool replaceRuns = false;
};

// Install step 1: `folder` as typed; copies the files, the uninstaller and the
// uninstall entry, and registers the program.
void InstallProgramFiles(SetupContext& context, const std::string& folder);

// Install step 2: the chosen shortcuts and association, then the settings that
// record the installation.
void ApplyInstallOptions(SetupContext& context, const InstallOptions& options);

// Replaces an earlier installation's program files in place.
void UpdateInstallation(SetupContext& context, const UpdateChoices& choices);

// Removes the program, its settings, registry entries and shortcuts, and has the
// uninstaller deleted at the next restart.
void UninstallProgram(SetupContext& context, bool deleteAllFiles);

// The finish pages' offers: the help first, then the program.
void RunFinishActions(const SetupContext& context, bool showHelp, bool startProgram);
