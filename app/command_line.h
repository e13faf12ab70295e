// The program's command line, read from the system as the entry point finds it.
#pragma once

#include <string>
#include <vector>

// The command line without the program's own name and the blanks after it.
std::string ArgumentsAfterProgramName(const char* commandLine);

// The arguments after the program's name, split as the C runtime splits them
// (blanks between arguments, quotes and backslashes by its rules): the unattended
// mode reads what deployment tools write for that runtime.
std::vector<std::string> SplitArguments(const std::string& arguments);
