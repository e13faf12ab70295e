// The install wizard's work: the files, then the options.
#include "setup/data_file_lists.h"
#include "setup/install_folder.h"
#include "setup/installed_files.h"
#include "setup/steps.h"
#include "setup/uninstall_entry.h"

namespace {

void AssociateSkinFiles(SetupContext& context, const std::string& program) {
  context.SetRegString(HKEY_CLASSES_ROOT, IDS_SKIN_TYPE_KEY, 0, LoadText(IDS_SKIN_TYPE_NAME));
  context.SetRegString(HKEY_CLASSES_ROOT, IDS_SKIN_EXTENSION_KEY, 0, LoadText(IDS_SKIN_TYPE_KEY));
  // Quoted: the path usually holds spaces, and unquoted the system may start
  // another program first.
  context.SetRegString(HKEY_CLASSES_ROOT, IDS_SKIN_COMMAND_KEY, 0, "\"" + program + "\" %1");
  context.SetRegString(HKEY_CLASSES_ROOT, IDS_SKIN_ICON_KEY, 0, program + ",0");
  context.WriteSettingDword(IDS_USE_SHELL, 1);
}

// An unreadable special folder skips its shortcuts and flag, rather than making
// links at the drive root or over another folder's link of the same name.
void CreateProgramGroup(SetupContext& context, const ShortcutFolders& folders,
                        const std::string& program) {
  std::string group;
  if (!context.ReadShortcutFolder(folders.root, folders.programs, kProgramGroupFolder, group)) {
    return;
  }
  CreateDirectoryA(group.c_str(), nullptr);
  context.CreateShortcut(group + LoadText(IDS_LINK_PROGRAM), program, "");
  context.CreateShortcut(group + LoadText(IDS_LINK_HELP), context.InstallDir + LoadText(IDS_FILE_HLP),
                         "");
  context.WriteSettingDword(IDS_USE_GROUP, 1);
}

void CreateFolderShortcut(SetupContext& context, HKEY root, StringId folderValue,
                          const std::string& program, const std::string& arguments, StringId flag) {
  std::string folder;
  if (!context.ReadShortcutFolder(root, folderValue, "\\", folder)) return;
  context.CreateShortcut(folder + LoadText(IDS_LINK_PROGRAM), program, arguments);
  context.WriteSettingDword(flag, 1);
}

// "Location" and the first entry of each data-file list, whatever was chosen.
void RecordInstallation(SetupContext& context, const std::string& program) {
  context.WriteSettingStringById(IDS_LOCATION, program);
  for (const DataFileKind& kind : kDataFileKinds) {
    context.WriteSettingString(DataFileValueName(kind.newName, 1),
                               context.InstallDir + LoadText(kind.fileName));
  }
}

// A data file already in the folder is the user's, kept by an earlier uninstall:
// only missing ones come from the distribution.
void ListFilesToInstall(SetupContext& context) {
  for (const InstalledFile& file : kInstalledFiles) {
    const std::string path = context.InstallDir + LoadText(file.name);
    if (file.role != FileRole::kProgram && FileExists(path)) {
      context.Log.Write("kept", path);
    } else {
      context.AddFile(file.name);
    }
  }
}

// The listed names that the folder does not hold yet: what this attempt adds.
std::vector<std::string> NewFiles(const SetupContext& context) {
  std::vector<std::string> added;
  for (const std::string& name : context.ListedFiles()) {
    if (!FileExists(context.InstallDir + name)) added.push_back(name);
  }
  return added;
}

// A failed attempt takes back what it put there, and the folder if it made it;
// files that were there before stay.
void UndoInstall(const SetupContext& context, const InstallFolder& folder,
                 const std::vector<std::string>& added, bool folderMadeNow) {
  for (const std::string& name : added) {
    if (DeleteFileA((context.InstallDir + name).c_str())) {
      context.Log.Write("deleted", context.InstallDir + name);
    }
  }
  if (folderMadeNow) folder.RemoveIfEmpty();
}

}  // namespace

std::string ProposedInstallFolder(const SetupContext& context) {
  std::string programFiles;
  context.ReadRegStringById(HKEY_LOCAL_MACHINE, IDS_CURRENT_VERSION_KEY, IDS_PROGRAM_FILES_DIR,
                            programFiles);
  return programFiles + "\\KALENDRO";
}

StepOutcome InstallProgramFiles(SetupContext& context, InstallFolder& folder) {
  if (!folder.IsUsable()) return StepOutcome::kNoFolder;
  context.InstallDir = folder.Path();
  context.Log.Write("install into", folder.Path());
  const bool folderMadeNow = folder.Create();
  ListFilesToInstall(context);
  const std::vector<std::string> added = NewFiles(context);
  if (MainProgramFailed(context.CopyListedFiles())) {
    UndoInstall(context, folder, added, folderMadeNow);
    return StepOutcome::kNotInstalled;
  }
  WriteUninstallEntry(context, context.InstallUninstaller(), folder.MadeByInstallation());
  context.RunProgram(IDS_FILE_EXE, IDS_ARG_REGSERVER);
  return StepOutcome::kDone;
}

bool MainProgramFailed(const std::vector<std::string>& failed) {
  const std::string program = LoadText(IDS_FILE_EXE);
  for (const std::string& name : failed) {
    if (name == program) return true;
  }
  return false;
}

// The boxes are handled in the order association, group, startup, desktop. A
// flag is written only for a chosen box; an earlier installation's flags stay.
void ApplyInstallOptions(SetupContext& context, const InstallOptions& options) {
  const std::string program = context.InstallDir + LoadText(IDS_FILE_EXE);
  const ShortcutFolders& folders =
      options.allUsers ? kAllUsersShortcutFolders : kUserShortcutFolders;
  context.OpenSettingsKey();
  if (options.associate) AssociateSkinFiles(context, program);
  if (options.group) CreateProgramGroup(context, folders, program);
  if (options.startup) {
    CreateFolderShortcut(context, folders.root, folders.startup, program, "/daily",
                         IDS_USE_STARTUP);
  }
  if (options.desktop) {
    CreateFolderShortcut(context, folders.root, folders.desktop, program, "", IDS_USE_DESKTOP);
  }
  RecordInstallation(context, program);
  context.CloseSettingsKey();
}

void RunFinishActions(const SetupContext& context, bool showHelp, bool startProgram) {
  if (showHelp) context.RunProgram(IDS_FILE_HLP, 0);
  if (startProgram) context.RunProgram(IDS_FILE_EXE, 0);
}
