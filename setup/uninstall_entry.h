// The program's entry in the system's list of installed programs.
#pragma once

#include "setup/setup_context.h"

// The whole entry, after the install or the update of the files and the
// uninstaller: the uninstall commands only when the uninstaller copy is in
// place, and the record that the installation made its folder (`folderMade`),
// which the uninstall's "delete all files" goes by.
void WriteUninstallEntry(const SetupContext& context, bool uninstallerInPlace, bool folderMade);
