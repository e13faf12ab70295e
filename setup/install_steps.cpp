// The install wizard's work: the files, then the options.
#include "setup/data_file_lists.h"
#include "setup/files.h"
#include "setup/install_folder.h"
#include "setup/installed_files.h"
#include "setup/steps.h"
#include "setup/uninstall_entry.h"

namespace {

bool AssociateSkinFiles(SetupContext& context, const std::string& program) {
  // Quoted, the program and the file: the paths usually hold spaces; unquoted
  // the system may start another program first, and a skin's name with a space
  // would reach the program as two arguments.
  return context.SetRegString(HKEY_CLASSES_ROOT, IDS_SKIN_TYPE_KEY, 0,
                              LoadText(IDS_SKIN_TYPE_NAME)) &&
         context.SetRegString(HKEY_CLASSES_ROOT, IDS_SKIN_EXTENSION_KEY, 0,
                              LoadText(IDS_SKIN_TYPE_KEY)) &&
         context.SetRegString(HKEY_CLASSES_ROOT, IDS_SKIN_COMMAND_KEY, 0,
                              "\"" + program + "\" \"%1\"") &&
         context.SetRegString(HKEY_CLASSES_ROOT, IDS_SKIN_ICON_KEY, 0, program + ",0") &&
         context.WriteSettingDword(IDS_USE_SHELL, 1);
}

// The links of each chosen box, then its flag; an earlier installation's flags
// stay. An unreadable special folder skips them, rather than making links at
// the drive root or over another folder's link of the same name.
bool CreateLinks(SetupContext& context, const ShortcutFolders& folders,
                 const InstallOptions& options) {
  for (const LinkBox& box : kLinkBoxes) {
    std::string folder;
    if (!(options.*box.option) ||
        !context.ReadShortcutFolder(folders.root, folders.*box.folder, box.below, folder)) {
      continue;
    }
    const std::string own = folder.substr(0, folder.size() - 1);
    if (box.ownFolder && !IsFolder(own) && !context.MakeFolder(own)) return false;
    for (const auto& link : box.links) {
      if (link.name != 0 &&
          !context.CreateShortcut(folder + LoadText(link.name),
                                  context.InstallDir + LoadText(link.target), box.arguments)) {
        return false;
      }
    }
    if (!context.WriteSettingDword(box.flag, 1)) return false;
  }
  return true;
}

// The first entry of each data-file list, whatever was chosen, then "Location",
// then the entry's record that the installation is complete: a run cut off
// before them is installed afresh by the next one, not updated.
bool RecordInstallation(SetupContext& context, const std::string& program) {
  for (const DataFileKind& kind : kDataFileKinds) {
    if (!context.WriteSettingString(DataFileValueName(kind.newName, 1),
                                    context.InstallDir + LoadText(kind.fileName))) {
      return false;
    }
  }
  return context.WriteSettingStringById(IDS_LOCATION, program) && RecordCompletion(context);
}

// A data file already in the folder is the user's, kept by an earlier uninstall:
// only missing ones come from the distribution, and never over a file.
bool PutDataFiles(SetupContext& context) {
  for (const InstalledFile& file : kInstalledFiles) {
    const std::string name = LoadText(file.name);
    const std::string path = context.InstallDir + name;
    if (file.role == FileRole::kProgram) continue;
    if (FileExists(path)) {
      context.Log.Write("kept", path);
    } else if (context.PutNewFile(context.SourceDir + name, path)) {
      context.Log.Write("copied", path);
    } else if (!IsMissing(context.SourceDir + name)) {
      return false;
    }
  }
  return true;
}

void ListProgramFiles(SetupContext& context) {
  for (const InstalledFile& file : kInstalledFiles) {
    if (file.role == FileRole::kProgram) context.AddFile(file.name);
  }
}

}  // namespace

std::string ProposedInstallFolder(const SetupContext& context) {
  std::string programFiles;
  context.ReadRegStringById(HKEY_LOCAL_MACHINE, IDS_CURRENT_VERSION_KEY, IDS_PROGRAM_FILES_DIR,
                            programFiles);
  return programFiles + "\\" + kInstallFolderName;
}

bool RegisterProgram(const SetupContext& context) {
  return context.RunProgram(IDS_FILE_EXE, IDS_ARG_REGSERVER).started;
}

bool CopiedAll(const SetupContext& context, const std::vector<std::string>& failed) {
  const std::string program = LoadText(IDS_FILE_EXE);
  for (const std::string& name : failed) {
    if (name == program || !IsMissing(context.SourceDir + name)) return false;
  }
  return true;
}

StepOutcome InstallProgramFiles(SetupContext& context, InstallFolder& folder) {
  if (!folder.IsUsable()) return StepOutcome::kNoFolder;
  context.InstallDir = folder.Path();
  context.Log.Write("install into", folder.Path());
  bool installed = folder.Create(context);
  if (installed) {
    ListProgramFiles(context);
    installed = CopiedAll(context, context.CopyListedFiles()) && PutDataFiles(context) &&
                context.InstallUninstaller() &&
                WriteUninstallEntry(context, folder.MadeByInstallation()) && RegisterProgram(context);
  }
  return FinishStep(context, installed, StepOutcome::kNotInstalled);
}

// The association first, then the links in their table's order.
StepOutcome ApplyInstallOptions(SetupContext& context, const InstallOptions& options) {
  const std::string program = context.InstallDir + LoadText(IDS_FILE_EXE);
  const ShortcutFolders& folders =
      options.allUsers ? kAllUsersShortcutFolders : kUserShortcutFolders;
  const bool applied =
      context.OpenSettingsKey() && (!options.associate || AssociateSkinFiles(context, program)) &&
      CreateLinks(context, folders, options) && RecordInstallation(context, program);
  context.CloseSettingsKey();
  return FinishStep(context, applied, StepOutcome::kNotCompleted);
}

void RunFinishActions(const SetupContext& context, bool showHelp, bool startProgram) {
  if (showHelp) context.OpenForUser(IDS_FILE_HLP);
  if (startProgram) context.OpenForUser(IDS_FILE_EXE);
}
