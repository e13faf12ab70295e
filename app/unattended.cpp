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

template <typename Choices, size_t count>
using FlagNames = std::pair<const char*, bool Choices::*>[count];

template <typename Choices, size_t count>
bool SetNamedFlag(const std::string& word, const FlagNames<Choices, count>& names,
                  Choices& choices) {
  for (const auto& [name, flag] : names) {
    if (lstrcmpiA(word.c_str(), name) != 0) continue;
    choices.*flag = true;
    return true;
  }
  return false;
}

// Sets the flag of each comma-separated word; false on a word it does not know.
template <typename Choices, size_t count>
bool ReadWords(const std::string& list, const FlagNames<Choices, count>& names, Choices& choices) {
  if (list.empty()) return true;
  for (std::string::size_type start = 0;;) {
    const std::string::size_type comma = list.find(',', start);
    if (!SetNamedFlag(list.substr(start, comma - start), names, choices)) return false;
    if (comma == std::string::npos) return true;
    start = comma + 1;
  }
}

constexpr std::pair<const char*, bool InstallOptions::*> kOptionWords[] = {
    {"desktop", &InstallOptions::desktop},
    {"associate", &InstallOptions::associate},
    {"startup", &InstallOptions::startup},
    {"group", &InstallOptions::group}};

constexpr std::pair<const char*, bool UpdateChoices::*> kBackupWords[] = {
    {"dates", &UpdateChoices::replaceDates}, {"runs", &UpdateChoices::replaceRuns}};

Request ReadRequest(int argc, char** argv) {
  Request request;
  for (int index = 1; index < argc; ++index) {
    const std::string argument = argv[index];
    std::string value;
    if (TakeValue(argument, "/dir=", value)) {
      request.folderGiven = true;
      request.folder = value;
      request.understood &= !value.empty();
    } else if (TakeValue(argument, "/options=", value)) {
      request.understood &= ReadWords(value, kOptionWords, request.options);
    } else if (TakeValue(argument, "/backup=", value)) {
      request.understood &= ReadWords(value, kBackupWords, request.backups);
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
  const std::string folder = request.folderGiven ? request.folder : ProposedInstallFolder(context);
  const StepOutcome outcome = InstallProgramFiles(context, folder);
  if (outcome == StepOutcome::kDone) ApplyInstallOptions(context, request.options);
  return ExitCodeOf(outcome);
}

}  // namespace

bool IsQuietRequested(int argc, char** argv) {
  for (int index = 1; index < argc; ++index) {
    if (lstrcmpiA(argv[index], LoadText(IDS_ARG_QUIET).c_str()) == 0) return true;
  }
  return false;
}

ExitCode RunUnattended(SetupContext& context, bool installMode, int argc, char** argv) {
  const Request request = ReadRequest(argc, argv);
  if (!request.understood) return kExitBadCommandLine;
  if (installMode) {
    context.LoadLocation(true);
    return InstallUnattended(context, request);
  }
  if (!context.LoadLocation(false)) return kExitNotInstalled;
  return ExitCodeOf(UninstallProgram(context, false));
}
