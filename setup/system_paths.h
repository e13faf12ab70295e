// What the system reports: its family, the Windows and system directories and
// the program's own file. A path that cannot be read or does not fit MAX_PATH
// comes back empty.
#pragma once

#include <string>

// The NT family; otherwise the older one (Windows 95, 98 and Me).
bool IsNtFamily();

// NT 5 and later, where named kernel objects live in a namespace per session and
// "Global\" names the machine's; older systems take no backslash in a name.
bool HasGlobalNamespace();

// The Windows directory, without a trailing backslash (as the system gives it).
std::string WindowsDirectory();

// The system directory, as the system gives it.
std::string SystemDirectory();

// The full path of the running program's file.
std::string OwnModulePath();

// The path a call wrote into a MAX_PATH buffer, given the length it returned;
// empty when the call failed (0) or the path did not fit.
std::string PathFromBuffer(const char* buffer, unsigned long length);
