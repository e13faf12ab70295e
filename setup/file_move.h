// Moving a file over another on both families of the system.
#pragma once

#include <windows.h>

#include <string>

using MoveFileExFunction = BOOL(WINAPI*)(LPCSTR, LPCSTR, DWORD);

// Moves `from` to `to`, replacing a file there. The older family lacks
// MoveFileExA: there, or wherever `moveFileEx` reports it is not implemented,
// the file at `to` is moved aside, `from` moved in with MoveFileA and the aside
// copy deleted, or put back when the move fails. `from` is never deleted, and
// `to` stays when it is read-only, `from` does not exist or cannot be moved.
bool MoveFileReplacing(const std::string& from, const std::string& to, bool ntFamily,
                       MoveFileExFunction moveFileEx);

// The same with the running system's family and its MoveFileExA.
bool MoveFileReplacing(const std::string& from, const std::string& to);
