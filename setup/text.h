// Texts from the string table, and printf-style formatting as the system does it.
#pragma once

#include <windows.h>

#include <string>

using StringId = UINT;

// The string-table entry `id` in the ANSI code page; empty when the id is absent.
std::string LoadText(StringId id);

// `format` filled in by wvsprintfA, which takes integers and strings only.
std::string FormatText(const char* format, ...);

// The folder part of `path`, up to and including its last backslash; empty when
// it holds none.
std::string FolderOf(const std::string& path);

// Whether a file or folder of that name exists.
bool FileExists(const std::string& path);

// A new empty file of a unique name in `folder` (ending with a backslash or
// not), for a text or a file that must be complete before it takes another's
// place; empty when none can be made.
std::string NewTemporaryFile(const std::string& folder);

// `folder` with a backslash appended unless it already ends with one.
std::string WithTrailingBackslash(const std::string& folder);
