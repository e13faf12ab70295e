// Texts from the string table, and printf-style formatting as the system does it.
#pragma once

#include <windows.h>

#include <string>

using StringId = UINT;

// The string-table entry `id` in the process's code page (UTF-8 where the
// system honours the manifest, else the system's); empty when the id is absent.
std::string LoadText(StringId id);

// Whether a text of `length` bytes that a call converted into a buffer of `size`
// bytes may have been cut: the system stops before a character that does not
// fit with its terminating zero, and one takes up to four bytes in UTF-8.
bool MayBeCut(int length, int size);

// How many characters the system's wide calls see in `bytes` bytes of `text`
// (-1: up to its zero, which counts), as MAX_PATH limits them.
int CharacterCount(const char* text, int bytes);

// `format` filled in by wvsprintfA, which takes integers and strings only.
std::string FormatText(const char* format, ...);

// The folder part of `path`, up to and including its last backslash; empty when
// it holds none.
std::string FolderOf(const std::string& path);

// A new empty file of a unique name in `folder` (ending with a backslash or
// not), for a text or a file that must be complete before it takes another's
// place; empty when none can be made.
std::string NewTemporaryFile(const std::string& folder);

// `folder` with a backslash appended unless it already ends with one.
std::string WithTrailingBackslash(const std::string& folder);
