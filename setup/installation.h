// The one way an installation on this machine is found, for the update and for
// the uninstall alike.
#pragma once

#include <string>

#include "setup/setup_context.h"

enum class FoundIn { kNowhere, kSettings, kEntry };

struct Installation {
  FoundIn foundIn = FoundIn::kNowhere;
  std::string folder;   // ends with a backslash
  FileVersion version;  // the main program's
};

enum class LookupPurpose { kUpdate, kUninstall };

// The user's settings name an installation by "Location": for an update the
// file it names must carry a version, for an uninstall the main program in its
// folder. Settings that name none may be another account's: then the uninstall
// entry's "InstallLocation" does, for an update only once the entry records the
// installation complete (a run cut off before its options is installed
// afresh), for an uninstall also when the main program is gone already (a
// removal cut off half-way), with the version the entry shows. When none is
// found, the folder is the one the settings name, if any.
Installation FindInstallation(SetupContext& context, LookupPurpose purpose);
