// The program's command line, read from the system as the entry point finds it.
#pragma once

#include <string>
#include <vector>

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

// The rest of `argument` after `prefix` ("/dir="), the prefix compared without
// regard to case; false when the argument does not start with it.
bool TakeValue(const std::string& argument, const char* prefix, std::string& value);

// A switch's value without the quote the C runtime leaves at its end when a
// backslash precedes the closing one: /dir="C:\KQ Test\" arrives as C:\KQ Test".
std::string WithoutStrayQuote(const std::string& value);

// The file that "/log=" names, or empty.
std::string LogFileOf(const std::vector<std::string>& arguments);
