#include "app/command_line.h"

#include <windows.h>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

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

bool TakeValue(const std::string& argument, const char* prefix, std::string& value) {
  const std::string start = argument.substr(0, lstrlenA(prefix));
  if (lstrcmpiA(start.c_str(), prefix) != 0) return false;
  value = argument.substr(start.size());
  return true;
}

std::string WithoutStrayQuote(const std::string& value) {
  return !value.empty() && value.back() == '"' ? value.substr(0, value.size() - 1) : value;
}

std::string LogFileOf(const std::vector<std::string>& arguments) {
  std::string file;
  for (const std::string& argument : arguments) {
    std::string value;
    if (TakeValue(argument, "/log=", value)) file = WithoutStrayQuote(value);
  }
  return file;
}
