// Paths in the one spelling the system resolves them to, and the folders that
// hold far more than the program.
#pragma once

#include <string>

// `path` made full against the current folder, its "." and ".." steps and doubled
// backslashes resolved. Empty when it cannot be resolved.
std::string FullPath(const std::string& path);

// The short 8.3 form of an existing path. Empty when it cannot be resolved.
std::string ShortPath(const std::string& path);

// `path` as the system resolves it: full, with long names where the file exists,
// without a trailing backslash except at a drive root. Empty when it cannot be
// resolved.
std::string CanonicalPath(const std::string& path);

// Whether both paths resolve to the same file or folder, letter case aside.
bool IsSamePath(const std::string& a, const std::string& b);

// Whether `path` is spelt with the "\\?\" or "\\.\" prefix, which bypasses the
// system's resolving of paths; no folder of this program needs one.
bool HasDevicePrefix(const std::string& path);

// A drive root, a network share's root, the Windows directory or a folder below
// it (the system folder too, by each of its names under 64-bit Windows), the
// program-files or common-files folder of either bitness itself, the user's
// profile, or any folder of the user's or the machine's "Shell Folders": there
// "delete all files" must delete only the program's own. A folder that cannot be resolved,
// or is spelt with a device prefix, counts as shared.
bool IsSharedFolder(const std::string& folder);
