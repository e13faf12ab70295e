#include "app/unattended.h"

#include <string>

#include "setup/steps.h"

namespace {

struct Request {
  bool understood = true;
  bool folderGiven = false;
  std::string folder;
  InstallOptions options;
  UpdateChoices backups;
};

// The rest of `argument` after `prefix`, compared without regard to case.
bool TakeValue(const std::string& argument, const char* prefix, std::string& value) {
  const std::string start = argument.substr(0, lstrlenA(prefix));
  if (lstrcmpiA(start.c_str(), prefix) != 0) return false;
  value = argument.substr(start.size());
  return true;
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

Request ReadRequest(const std::vector<std::string>& arguments) {
  Request request;
  for (const std::string& argument : arguments) {
    std::string value;
    if (TakeValue(argument, "/dir=", value)) {
      request.folderGiven = true;
      request.folder = value;
      request.understood &= !value.empty();
    } else if (TakeValue(argument, "/options=", value)) {
      request.understood &=
          ReadWords(value, [&](const std::string& word) { return SetOption(word, request.options); });
    } else if (TakeValue(argument, "/backup=", value)) {
      request.understood &=
          ReadWords(value, [&](const std::string& word) { return SetBackup(word, request.backups); });
    }
  }
  return request;
}

ExitCode ExitCodeOf(StepOutcome outcome) {
  return outcome == StepOutcome::kDone ? kExitDone : kExitFailed;
}

// As the wizard does: an earlier installation is updated, else the files and
// then the options are installed. Nothing is started at the end.
ExitCode InstallUnattended(SetupContext& context, const Request& request) {
  if (context.DetectPreviousInstall()) {
    return ExitCodeOf(UpdateInstallation(context, request.backups));
  }
  InstallFolder folder = InstallFolder::Typed(
      context, request.folderGiven ? request.folder : ProposedInstallFolder(context));
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

ExitCode RunUnattended(SetupContext& context, bool installMode,
                       const std::vector<std::string>& arguments) {
  const Request request = ReadRequest(arguments);
  if (!request.understood) return kExitBadCommandLine;
  if (installMode) {
    context.LoadLocation(true);
    return InstallUnattended(context, request);
  }
  if (!context.LoadLocation(false)) return kExitNotInstalled;
  return ExitCodeOf(UninstallProgram(context, InstallFolder::OfInstallation(context), false));
}
