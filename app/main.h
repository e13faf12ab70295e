// The whole run after the entry point: install, update or uninstall mode, by
// wizard or unattended.
#pragma once

#include <string>

// `arguments` is the command line without the program's name; the result is
// the process's exit code.
int RunSetup(const std::string& arguments);
