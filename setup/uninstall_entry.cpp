#include "setup/uninstall_entry.h"

#include "setup/installed_files.h"

namespace {

// The size of one file; 0 when it is missing. FindFirstFileA rather than
// GetFileAttributesExA, which Windows 95 lacks: its loader refuses an executable
// that imports it.
ULONGLONG FileBytes(const std::string& path) {
  WIN32_FIND_DATAA found;
  const ScopedFind search(FindFirstFileA(path.c_str(), &found));
  if (!search.IsValid()) return 0;
  return (static_cast<ULONGLONG>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
}

// The installed files' total, in whole kilobytes rounded up, as the list shows it.
DWORD InstalledKilobytes(const SetupContext& context) {
  ULONGLONG bytes = 0;
  for (const InstalledFile& file : kInstalledFiles) {
    bytes += FileBytes(context.InstallDir + LoadText(file.name));
  }
  return static_cast<DWORD>((bytes + 1023) >> 10);
}

void SetEntryString(const SetupContext& context, StringId name, const std::string& data) {
  context.SetRegString(HKEY_LOCAL_MACHINE, IDS_UNINSTALL_KEY, name, data);
}

}  // namespace

void WriteUninstallEntry(const SetupContext& context, bool uninstallerInPlace, bool folderMade) {
  SetEntryString(context, IDS_DISPLAY_NAME, LoadText(IDS_PRODUCT_NAME));
  // An entry that names a missing uninstaller would offer a removal that cannot run.
  if (uninstallerInPlace) {
    SetEntryString(context, IDS_UNINSTALL_STRING, context.UninstallerPath);
    SetEntryString(context, IDS_QUIET_UNINSTALL_STRING,
                   "\"" + context.UninstallerPath + "\" " + LoadText(IDS_ARG_QUIET));
  }
  SetEntryString(context, IDS_PUBLISHER, LoadText(IDS_PUBLISHER_NAME));
  SetEntryString(context, IDS_INSTALL_LOCATION, context.InstallDir);
  context.SetRegDword(HKEY_LOCAL_MACHINE, IDS_UNINSTALL_KEY, IDS_NO_MODIFY, 1);
  context.SetRegDword(HKEY_LOCAL_MACHINE, IDS_UNINSTALL_KEY, IDS_NO_REPAIR, 1);
  if (folderMade) {
    SetEntryString(context, IDS_CREATED_LOCATION, context.InstallDir);
  } else {
    context.DeleteRegValue(HKEY_LOCAL_MACHINE, IDS_UNINSTALL_KEY, IDS_CREATED_LOCATION);
  }
  SetEntryString(context, IDS_DISPLAY_VERSION,
                 FormatVersion("%d.%d.%d.%d", context.ProgramVersion));
  SetEntryString(context, IDS_DISPLAY_ICON, context.InstallDir + LoadText(IDS_FILE_EXE) + ",0");
  context.SetRegDword(HKEY_LOCAL_MACHINE, IDS_UNINSTALL_KEY, IDS_ESTIMATED_SIZE,
                      InstalledKilobytes(context));
}
