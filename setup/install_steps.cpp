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

// An unreadable special folder skips its shortcuts and flag, rather than making
// links at the drive root or over another folder's link of the same name.
bool CreateProgramGroup(SetupContext& context, const ShortcutFolders& folders,
                        const std::string& program) {
  std::string group;
  if (!context.ReadShortcutFolder(folders.root, folders.programs, kProgramGroupFolder, group)) {
    return true;
  }
  const std::string folder = group.substr(0, group.size() - 1);
  return (IsFolder(folder) || context.MakeFolder(folder)) &&
         context.CreateShortcut(group + LoadText(IDS_LINK_PROGRAM), program, "") &&
         context.CreateShortcut(group + LoadText(IDS_LINK_HELP),
                                context.InstallDir + LoadText(IDS_FILE_HLP), "") &&
         context.WriteSettingDword(IDS_USE_GROUP, 1);
}

bool CreateFolderShortcut(SetupContext& context, HKEY root, StringId folderValue,
                          const std::string& program, const std::string& arguments, StringId flag) {
  std::string folder;
  if (!context.ReadShortcutFolder(root, folderValue, "\\", folder)) return true;
  return context.CreateShortcut(folder + LoadText(IDS_LINK_PROGRAM), program, arguments) &&
         context.WriteSettingDword(flag, 1);
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

bool Register(const SetupContext& context) {
  return context.RunProgram(IDS_FILE_EXE, IDS_ARG_REGSERVER).started;
}

}  // namespace

std::string ProposedInstallFolder(const SetupContext& context) {
  std::string programFiles;
  context.ReadRegStringById(HKEY_LOCAL_MACHINE, IDS_CURRENT_VERSION_KEY, IDS_PROGRAM_FILES_DIR,
                            programFiles);
  return programFiles + "\\KALENDRO";
}

StepOutcome FinishStep(SetupContext& context, bool done, StepOutcome failure) {
  if (!done) {
    context.Work.Undo(context.Log);
    return failure;
  }
  return context.Work.Commit(context.Log) ? StepOutcome::kDone : failure;
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
                WriteUninstallEntry(context, folder.MadeByInstallation()) && Register(context);
  }
  return FinishStep(context, installed, StepOutcome::kNotInstalled);
}

// The boxes are handled in the order association, group, startup, desktop. A
// flag is written only for a chosen box; an earlier installation's flags stay.
StepOutcome ApplyInstallOptions(SetupContext& context, const InstallOptions& options) {
  const std::string program = context.InstallDir + LoadText(IDS_FILE_EXE);
  const ShortcutFolders& folders =
      options.allUsers ? kAllUsersShortcutFolders : kUserShortcutFolders;
  const bool applied =
      context.OpenSettingsKey() && (!options.associate || AssociateSkinFiles(context, program)) &&
      (!options.group || CreateProgramGroup(context, folders, program)) &&
      (!options.startup || CreateFolderShortcut(context, folders.root, folders.startup, program,
                                                "/daily", IDS_USE_STARTUP)) &&
      (!options.desktop || CreateFolderShortcut(context, folders.root, folders.desktop, program,
                                                "", IDS_USE_DESKTOP)) &&
      RecordInstallation(context, program);
  context.CloseSettingsKey();
  return FinishStep(context, applied, StepOutcome::kNotCompleted);
}

void RunFinishActions(const SetupContext& context, bool showHelp, bool startProgram) {
  if (showHelp) context.OpenForUser(IDS_FILE_HLP);
  if (startProgram) context.OpenForUser(IDS_FILE_EXE);
}
