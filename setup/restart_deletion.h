// Deleting a file at the next restart, on both families of the system: the NT
// family's pending renames, the older family's WININIT.INI.
#pragma once

#include <string>

// Asks for `path` to be deleted at the next restart, unless that is asked
// already; true when it is.
bool ScheduleDeletionAtRestart(const std::string& path);

// Drops a deletion of `path` at the next restart, and nothing else; true when
// one was dropped.
bool CancelDeletionAtRestart(const std::string& path);
