#include "app/command_line.h"

#include <windows.h>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Install mode's switch, which both modes' rules look for.
constexpr char kSetupSwitch[] = "/setup";

}  // namespace

std::string ArgumentsAfterProgramName(const char* commandLine) {
  const char* at = commandLine;
  // The name runs to the next quote when it starts with one, else to the first
  // blank; a backslash in it is an ordinary character.
  if (*at == '"') {
    ++at;
    while (*at != '\0' && *at != '"') ++at;
    if (*at == '"') ++at;
  } else {
    while (*at != '\0' && !IsBlank(*at)) ++at;
  }
  while (IsBlank(*at)) ++at;
  return at;
}

// Backslashes count only before a quote: 2n of them and a quote give n and an
// opening or closing quote, 2n + 1 give n and a literal quote. Inside quotes a
// doubled quote is one literal quote, and 2n + 1 backslashes and a quote that end
// the argument give n + 1 backslashes and close the quotes (command_line.h).
std::vector<std::string> SplitArguments(const std::string& arguments) {
  std::vector<std::string> split;
  const std::string::size_type size = arguments.size();
  std::string::size_type at = 0;
  for (;;) {
    while (at < size && IsBlank(arguments[at])) ++at;
    if (at == size) return split;
    std::string argument;
    bool quoted = false;
    while (at < size && (quoted || !IsBlank(arguments[at]))) {
      std::string::size_type backslashes = 0;
      while (at < size && arguments[at] == '\\') ++backslashes, ++at;
      const bool endsArgument = at + 1 >= size || IsBlank(arguments[at + 1]);
      if (at < size && arguments[at] == '"' && quoted && backslashes % 2 == 1 && endsArgument) {
        argument.append((backslashes + 1) / 2, '\\');
        quoted = false;
        ++at;
        continue;
      }
      if (at < size && arguments[at] == '"') {
        argument.append(backslashes / 2, '\\');
        if (backslashes % 2 == 1 || (quoted && at + 1 < size && arguments[at + 1] == '"')) {
          argument += '"';
          at += backslashes % 2 == 1 ? 1 : 2;
        } else {
          quoted = !quoted;
          ++at;
        }
        continue;
      }
      argument.append(backslashes, '\\');
      if (at < size && (quoted || !IsBlank(arguments[at]))) argument += arguments[at++];
    }
    split.push_back(argument);
  }
}

namespace {

// The rest of `argument` after `prefix` ("/dir="), the prefix compared without
// regard to case; false when the argument does not start with it.
bool TakeValue(const std::string& argument, const char* prefix, std::string& value) {
  const std::string start = argument.substr(0, lstrlenA(prefix));
  if (lstrcmpiA(start.c_str(), prefix) != 0) return false;
  value = argument.substr(start.size());
  return true;
}

// A switch's value without the quote the C runtime leaves at its end when a
// backslash precedes the closing one: /dir="C:\KQ Test\" arrives as C:\KQ Test".
std::string WithoutStrayQuote(const std::string& value) {
  return !value.empty() && value.back() == '"' ? value.substr(0, value.size() - 1) : value;
}

bool IsWord(const std::string& word, const char* name) { return lstrcmpiA(word.c_str(), name) == 0; }

bool SetOption(const std::string& word, InstallOptions& options) {
  bool* flag = IsWord(word, "desktop")     ? &options.desktop
               : IsWord(word, "associate") ? &options.associate
               : IsWord(word, "startup")   ? &options.startup
               : IsWord(word, "group")     ? &options.group
                                           : nullptr;
  if (flag != nullptr) *flag = true;
  return flag != nullptr;
}

bool SetBackup(const std::string& word, UpdateChoices& backups) {
  bool* flag = IsWord(word, "dates")  ? &backups.replaceDates
               : IsWord(word, "runs") ? &backups.replaceRuns
                                      : nullptr;
  if (flag != nullptr) *flag = true;
  return flag != nullptr;
}

// Hands each comma-separated word to `take`; false on the first it refuses.
template <typename TakeWord>
bool ReadWords(const std::string& list, TakeWord take) {
  if (list.empty()) return true;
  for (std::string::size_type start = 0;;) {
    const std::string::size_type comma = list.find(',', start);
    if (!take(list.substr(start, comma - start))) return false;
    if (comma == std::string::npos) return true;
    start = comma + 1;
  }
}

// One argument into `command`; false for one the unattended run does not know.
// The mode word counts there only whole and in exactly its case: "/SETUP" is
// refused, never taken for uninstall mode, and "/setup" inside a folder's name
// is no mode. `installOnly` is set by a switch that only install mode knows.
bool ReadArgument(const std::string& argument, CommandLine& command, bool& installOnly) {
  std::string value;
  bool known = true;
  if (argument == kSetupSwitch) return true;
  if (IsWord(argument, LoadText(IDS_ARG_QUIET).c_str())) {
    command.quiet = true;
    return true;
  }
  if (TakeValue(argument, "/log=", value)) {
    command.logFile = WithoutStrayQuote(value);
    return true;
  }
  if (IsWord(argument, "/allusers")) {
    command.options.allUsers = true;
  } else if (TakeValue(argument, "/dir=", value)) {
    command.folderGiven = true;
    command.folder = WithoutStrayQuote(value);
  } else if (TakeValue(argument, "/options=", value)) {
    known = ReadWords(value, [&](const std::string& word) { return SetOption(word, command.options); });
  } else if (TakeValue(argument, "/backup=", value)) {
    known = ReadWords(value, [&](const std::string& word) { return SetBackup(word, command.backups); });
  } else {
    known = false;
  }
  installOnly = true;
  return known;
}

bool HasArgument(const std::vector<std::string>& arguments, const char* wanted) {
  for (const std::string& argument : arguments) {
    if (argument == wanted) return true;
  }
  return false;
}

}  // namespace

CommandLine ReadCommandLine(const std::string& arguments) {
  CommandLine command;
  const std::vector<std::string> split = SplitArguments(arguments);
  bool installOnly = false;
  for (const std::string& argument : split) {
    command.understood &= ReadArgument(argument, command, installOnly);
  }
  // The wizard keeps its rule: "/setup" anywhere in the arguments.
  command.installMode = command.quiet ? HasArgument(split, kSetupSwitch)
                                      : arguments.find(kSetupSwitch) != std::string::npos;
  // Uninstall mode takes none of install mode's choices.
  if (!command.installMode && installOnly) command.understood = false;
  return command;
}
