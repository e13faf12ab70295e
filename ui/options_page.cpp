#include "ui/options_page.h"

#include "setup/data_file_lists.h"

// The boxes are handled in the order association, group, startup, desktop. A
// flag is written only for a chosen box; an earlier installation's flags stay.
void OptionsPage::OnOk() {
  SetupContext& context = Context();
  const std::string program = context.InstallDir + LoadText(IDS_FILE_EXE);
  context.OpenSettingsKey();
  if (IsChecked(IDC_OPT_ASSOCIATE)) AssociateSkinFiles(program);
  if (IsChecked(IDC_OPT_GROUP)) CreateProgramGroup(program);
  if (IsChecked(IDC_OPT_STARTUP)) {
    CreateFolderShortcut(IDS_FOLDER_STARTUP, program, "/daily", IDS_USE_STARTUP);
  }
  if (IsChecked(IDC_OPT_DESKTOP)) {
    CreateFolderShortcut(IDS_FOLDER_DESKTOP, program, "", IDS_USE_DESKTOP);
  }
  RecordInstallation(program);
  context.CloseSettingsKey();
  EndPage(IDOK);
}

void OptionsPage::AssociateSkinFiles(const std::string& program) {
  SetupContext& context = Context();
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
void OptionsPage::CreateProgramGroup(const std::string& program) {
  SetupContext& context = Context();
  std::string group;
  if (!context.ReadShortcutFolder(IDS_FOLDER_PROGRAMS, kProgramGroupFolder, group)) return;
  CreateDirectoryA(group.c_str(), nullptr);
  context.CreateShortcut(group + LoadText(IDS_LINK_PROGRAM), program, "");
  context.CreateShortcut(group + LoadText(IDS_LINK_HELP), context.InstallDir + LoadText(IDS_FILE_HLP),
                         "");
  context.WriteSettingDword(IDS_USE_GROUP, 1);
}

void OptionsPage::CreateFolderShortcut(StringId folderValue, const std::string& program,
                                       const std::string& arguments, StringId flag) {
  SetupContext& context = Context();
  std::string folder;
  if (!context.ReadShortcutFolder(folderValue, "\\", folder)) return;
  context.CreateShortcut(folder + LoadText(IDS_LINK_PROGRAM), program, arguments);
  context.WriteSettingDword(flag, 1);
}

// "Location" and the first entry of each data-file list, whatever was chosen.
void OptionsPage::RecordInstallation(const std::string& program) {
  SetupContext& context = Context();
  context.WriteSettingStringById(IDS_LOCATION, program);
  for (const DataFileKind& kind : kDataFileKinds) {
    context.WriteSettingString(DataFileValueName(kind.newName, 1),
                               context.InstallDir + LoadText(kind.fileName));
  }
}
