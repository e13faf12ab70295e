// Paths the system reports: the Windows directory and the program's own file.
#pragma once

#include <string>

// The Windows directory, without a trailing backslash (as the system gives it).
std::string WindowsDirectory();

// The full path of the running program's file.
std::string OwnModulePath();
