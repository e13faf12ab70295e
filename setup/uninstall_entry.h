// The program's entry in the system's list of installed programs.
#pragma once

#include "setup/setup_context.h"

// The whole entry, after the install or the update of the files and the
// uninstaller, with the record that the installation made its folder
// (`folderMade`), which the uninstall's "delete all files" goes by.
bool WriteUninstallEntry(SetupContext& context, bool folderMade);

// The entry's record that the installation is complete ("InstallDate", today):
// the last thing the install writes, and what tells another account's run an
// installation to update from one cut off before its options.
bool RecordCompletion(SetupContext& context);
