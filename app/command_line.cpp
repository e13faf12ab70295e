#include "app/command_line.h"

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
// doubled quote is one literal quote.
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
