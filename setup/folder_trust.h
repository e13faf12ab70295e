// Whether a folder may be trusted by a setup that runs as administrator: one
// that another user could change or swap would run that user's program with
// the administrator's rights, and one reached through a link would have the
// setup change whatever the link leads to.
#pragma once

#include <windows.h>

#include <string>

enum class FolderTrust {
  kTrusted,
  kThroughLink,       // the path passes through a junction, symbolic link or other reparse point
  kOthersMayChange,   // a user other than the system, the administrators and this account may change it
};

// `folder` (full, a trailing backslash or not) and every folder above it that
// exists; the folder itself may be missing. The older family has neither links
// nor permissions: there every folder is trusted.
FolderTrust TrustOfFolder(const std::string& folder);

// What a folder the install makes is given, whatever its parent allows: full
// control for the system and the administrators, reading and running for the
// users; nothing inherited. The older family ignores it.
SECURITY_ATTRIBUTES* InstallFolderSecurity();
