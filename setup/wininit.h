// The rules for a delete-at-restart entry in WININIT.INI, the older family's
// list of file operations for the next start.
#pragma once

#include <string>

// `text` (the file's content, empty when it does not exist) with `entry` made the
// first line of the first "[rename]\r\n" section, or appended with a new section
// when there is none.
std::string AddRenameEntry(const std::string& text, const std::string& entry);

// Adds `entry` to the file `wininit` (made when it does not exist). A file that
// cannot be read whole, or replaced whole, keeps its content; false then.
bool AddWininitEntry(const std::string& wininit, const std::string& entry);

// <Windows directory>\WININIT.INI; empty without the Windows directory.
std::string WininitPath();

// Drops the deletions of `path` from WININIT.INI, and nothing else; true when
// one was dropped.
bool CancelWininitDeletion(const std::string& path);

// `text` without the lines of its "[rename]\r\n" sections that delete `path`
// ("NUL=" and any spelling of `path`); every other line stays as it was.
std::string RemoveDeleteEntries(const std::string& text, const std::string& path);
