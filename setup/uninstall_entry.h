// The program's entry in the system's list of installed programs.
#pragma once

#include "setup/setup_context.h"

// The whole entry, after a fresh install of the files and the uninstaller; the
// uninstall commands only when the uninstaller copy is in place.
void WriteUninstallEntry(const SetupContext& context, bool uninstallerInPlace);

// What an update changes: the version, the icon and the size.
void RefreshUninstallEntry(const SetupContext& context);
