// The work of each wizard page as a plain function over the user's choices: a
// walk through the pages and an unattended run do the same, in the same order.
#pragma once

#include <string>
#include <vector>

#include "setup/install_folder.h"
#include "setup/setup_context.h"

struct InstallOptions {
  bool desktop = false;
  bool associate = false;
  bool startup = false;
  bool group = false;
  bool allUsers = false;  // the links in the machine's all-users folders
};

// The update's two boxes: replace the user's file, keeping the current one as ".bak".
struct UpdateChoices {
  bool replaceDates = false;
  bool replaceRuns = false;
};

// How the main step of a walk ended; anything but kDone changed nothing after
// the step that failed.
enum class StepOutcome {
  kDone,
  kNoFolder,        // the folder text is blank, spelt with a device prefix or unresolvable
  kNotInstalled,    // the main program could not be copied into the folder
  kProgramRunning,  // the main program did not close within the bound
  kNotReplaced,     // the main program closed but could not be replaced
};

// The folder the path page proposes: the system's program-files folder + "\KALENDRO".
std::string ProposedInstallFolder(const SetupContext& context);

// Install step 1: into `folder` (InstallFolder::Typed); copies the files, the
// uninstaller and the uninstall entry, and registers the program. A failed
// attempt takes back the files it added and the folder it made.
StepOutcome InstallProgramFiles(SetupContext& context, InstallFolder& folder);

// Install step 2: the chosen shortcuts and association, then the settings that
// record the installation.
void ApplyInstallOptions(SetupContext& context, const InstallOptions& options);

// Replaces an earlier installation's program files in place.
StepOutcome UpdateInstallation(SetupContext& context, const UpdateChoices& choices);

// Removes the program, its settings, registry entries and shortcuts, and has the
// uninstaller deleted at the next restart.
StepOutcome UninstallProgram(SetupContext& context, const InstallFolder& folder,
                             bool deleteAllFiles);

// True when `failed` (from CopyListedFiles) holds the main program.
bool MainProgramFailed(const std::vector<std::string>& failed);

// The finish pages' offers: the help first, then the program.
void RunFinishActions(const SetupContext& context, bool showHelp, bool startProgram);
