// The work of each wizard page as a plain function over the user's choices: a
// walk through the pages and an unattended run do the same, in the same order.
#pragma once

#include <string>
#include <vector>

#include "setup/install_folder.h"
#include "setup/installed_files.h"
#include "setup/setup_context.h"

// The update's two boxes: replace the user's file, keeping the current one as ".bak".
struct UpdateChoices {
  bool replaceDates = false;
  bool replaceRuns = false;
};

// How a step of a walk ended. A failed install or update step has taken back
// what it changed; a failed uninstall keeps the records that let the next run
// finish it.
enum class StepOutcome {
  kDone,
  kNoFolder,        // the folder text is blank, spelt with a device prefix or unresolvable
  kNotInstalled,    // the program files, uninstaller or entry could not be put in place
  kNotCompleted,    // the chosen links, association or settings could not be made
  kProgramRunning,  // the main program did not close within the bound
  kNotReplaced,     // the main program closed but its files could not be replaced
  kNotRemoved,      // a file, link or key of the program could not be removed
  kFolderNotTrusted,  // the installed folder became a link, or others may change it: nothing changed
};

// The end of a step: its changes stay when it is `done` and are taken back
// otherwise, `failure` being its outcome then.
StepOutcome FinishStep(SetupContext& context, bool done, StepOutcome failure);

// The name of the folder the path page proposes below the program-files
// folder, or below one the user picks.
constexpr char kInstallFolderName[] = "KALENDRO";
std::string ProposedInstallFolder(const SetupContext& context);

// Install step 1: into `folder` (InstallFolder::Typed); copies the files, the
// uninstaller and the uninstall entry, and registers the program.
StepOutcome InstallProgramFiles(SetupContext& context, InstallFolder& folder);

// Install step 2: the chosen shortcuts and association, then the settings that
// record the installation, and last the entry's record that it is complete.
StepOutcome ApplyInstallOptions(SetupContext& context, const InstallOptions& options);

// Replaces an earlier installation's program files in place.
StepOutcome UpdateInstallation(SetupContext& context, const UpdateChoices& choices);

// Removes the program, its settings, registry entries and shortcuts, and has the
// uninstaller deleted at the next restart.
StepOutcome UninstallProgram(SetupContext& context, const InstallFolder& folder,
                             bool deleteAllFiles);

// Starts the installed main program with "/RegServer", after it was put in place.
bool RegisterProgram(const SetupContext& context);

// True when `failed` (from CopyListedFiles) holds only files the distribution
// lacks, and not the main program: the others are put in place all the same.
bool CopiedAll(const SetupContext& context, const std::vector<std::string>& failed);

// The finish pages' offers: the help first, then the program.
void RunFinishActions(const SetupContext& context, bool showHelp, bool startProgram);
