#include "app/unattended.h"

#include <string>

#include "app/command_line.h"
#include "setup/steps.h"

namespace {

struct Request {
  bool understood = true;
  bool installMode = false;
  bool installOnly = false;  // a switch that only install mode knows
  bool folderGiven = false;
  std::string folder;
  InstallOptions options;
  UpdateChoices backups;
};

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

// One argument into `request`; false for one the mode does not know. The mode
// word counts only whole and in exactly its case: "/SETUP" is refused, never
// taken for uninstall mode, and "/setup" inside a folder's name is no mode.
bool ReadArgument(const std::string& argument, Request& request) {
  std::string value;
  if (argument == "/setup") {
    request.installMode = true;
  } else if (IsWord(argument, LoadText(IDS_ARG_QUIET).c_str()) || TakeValue(argument, "/log=", value)) {
    return true;
  } else if (IsWord(argument, "/allusers")) {
    request.options.allUsers = true;
  } else if (TakeValue(argument, "/dir=", value)) {
    request.folderGiven = true;
    request.folder = WithoutStrayQuote(value);
  } else if (TakeValue(argument, "/options=", value)) {
    if (!ReadWords(value, [&](const std::string& word) { return SetOption(word, request.options); })) {
      return false;
    }
  } else if (TakeValue(argument, "/backup=", value)) {
    if (!ReadWords(value, [&](const std::string& word) { return SetBackup(word, request.backups); })) {
      return false;
    }
  } else {
    return false;
  }
  request.installOnly |= argument != "/setup";
  return true;
}

Request ReadRequest(const std::vector<std::string>& arguments) {
  Request request;
  for (const std::string& argument : arguments) request.understood &= ReadArgument(argument, request);
  // Uninstall mode takes none of install mode's choices.
  if (!request.installMode && request.installOnly) request.understood = false;
  return request;
}

ExitCode ExitCodeOf(StepOutcome outcome) {
  return outcome == StepOutcome::kDone ? kExitDone : kExitFailed;
}

ExitCode Refused(const SetupContext& context) {
  context.Log.Write("refused: a command line it does not understand");
  return kExitBadCommandLine;
}

// As the wizard does: an earlier installation is updated, else the files and
// then the options are installed into `folder`. Nothing is started at the end.
ExitCode InstallUnattended(SetupContext& context, const Request& request, InstallFolder& folder) {
  context.LoadLocation(true);
  if (context.DetectPreviousInstall()) {
    return ExitCodeOf(UpdateInstallation(context, request.backups));
  }
  const StepOutcome outcome = InstallProgramFiles(context, folder);
  if (outcome == StepOutcome::kDone) ApplyInstallOptions(context, request.options);
  return ExitCodeOf(outcome);
}

}  // namespace

bool IsQuietRequested(const std::vector<std::string>& arguments) {
  for (const std::string& argument : arguments) {
    if (IsWord(argument, LoadText(IDS_ARG_QUIET).c_str())) return true;
  }
  return false;
}

ExitCode RunUnattended(SetupContext& context, const std::vector<std::string>& arguments) {
  const Request request = ReadRequest(arguments);
  if (!request.understood) return Refused(context);
  if (request.installMode) {
    InstallFolder folder = InstallFolder::Typed(
        context, request.folderGiven ? request.folder : ProposedInstallFolder(context));
    // A folder given blank, or with a device prefix, names nothing to install into.
    if (request.folderGiven && !folder.IsUsable()) return Refused(context);
    context.Log.Write("install mode");
    return InstallUnattended(context, request, folder);
  }
  context.Log.Write("uninstall mode");
  if (!context.LoadLocation(false)) return kExitNotInstalled;
  return ExitCodeOf(UninstallProgram(context, InstallFolder::OfInstallation(context), false));
}
