// Plain file questions and the deletion of the setup's own files.
#pragma once

#include <optional>
#include <string>

#include "setup/scoped.h"

// Whether a file or folder of that name exists.
bool FileExists(const std::string& path);
// A file, not a folder, and there.
bool IsFile(const std::string& path);
bool IsReadOnly(const std::string& path);

// Every file on a CD is read-only, and a copy keeps the attribute: the program
// could not save its data, nor the setup replace or delete its own files.
bool ClearReadOnly(const std::string& path);

// Deletes a file of the setup's own, read-only or not; a file in use is tried
// again for a moment. True when it is gone (or was not there).
bool DeleteOwnFile(const std::string& path);

// Deletes a file, trying again for a moment while it is in use; the error of
// the last attempt, ERROR_SUCCESS when it was deleted.
unsigned long DeleteWithRetries(const std::string& path);

// The whole file; empty when it does not exist, nothing when it exists but
// cannot be read whole.
std::optional<std::string> ReadWholeFile(const std::string& path);

// `path` open for reading, while nobody may change, rename or delete it.
ScopedFile OpenToCopy(const std::string& path);

// Whether both files can be read and hold the same bytes.
bool HaveSameContent(const std::string& a, const std::string& b);

// Whether the system says there is nothing at `path` (as opposed to not
// being able to tell).
bool IsMissing(const std::string& path);
bool IsFolder(const std::string& path);

// Removes the folder `path` (no trailing backslash) when it is empty; false
// when it is still there for another reason than what it holds.
bool RemoveFolderIfEmpty(const std::string& path);
