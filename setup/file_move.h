// Moving a file over another on both families of the system.
#pragma once

#include <windows.h>

#include <string>

using MoveFileExFunction = BOOL(WINAPI*)(LPCSTR, LPCSTR, DWORD);

// Moves `from` to `to`, replacing a file there. The older family lacks
// MoveFileExA: there, or wherever `moveFileEx` reports it is not implemented,
// the file at `to` is deleted first and `from` moved with MoveFileA. `from` is
// never deleted, and `to` stays when it is read-only or `from` does not exist.
bool MoveFileReplacing(const std::string& from, const std::string& to, bool ntFamily,
                       MoveFileExFunction moveFileEx);

// The same with the running system's family and its MoveFileExA.
bool MoveFileReplacing(const std::string& from, const std::string& to);
