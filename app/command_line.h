// The program's command line, read from the system as the entry point finds it.
#pragma once

#include <string>
#include <vector>

#include "setup/steps.h"

// The command line without the program's own name and the blanks after it.
std::string ArgumentsAfterProgramName(const char* commandLine);

// The arguments after the program's name, split as the C runtime splits them
// (blanks between arguments, quotes and backslashes by its rules): the unattended
// mode reads what deployment tools write for that runtime. One exception, as no
// argument of the setup holds a quote: inside quotes, an escaped quote before a
// blank or the end is a path's last backslash and the closing quote
// ("/dir="C:\KQ Test\" /log=..." is the folder C:\KQ Test\ and a second switch),
// where the runtime would take a literal quote and run on into the next argument.
std::vector<std::string> SplitArguments(const std::string& arguments);

// What the command line asks for, read once for the wizard and the unattended
// run alike.
struct CommandLine {
  bool quiet = false;        // "/quiet": the work without a window
  bool installMode = false;  // the wizard's rule: "/setup" anywhere in the
                             // arguments, case-sensitive; quietly: an argument
                             // that is exactly "/setup"
  bool understood = true;    // quietly, every argument must be one the mode knows
  bool folderGiven = false;  // "/dir="
  std::string folder;
  InstallOptions options;    // "/options=", "/allusers"
  UpdateChoices backups;     // "/backup="
  std::string logFile;       // "/log=", also honoured by the wizard
};

CommandLine ReadCommandLine(const std::string& arguments);
