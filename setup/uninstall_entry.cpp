#include "setup/uninstall_entry.h"

#include "setup/installed_files.h"

namespace {

// The size of one file, added to `bytes`; a missing file adds nothing. False
// when the file is there but cannot be looked at. FindFirstFileA rather than
// GetFileAttributesExA, which Windows 95 lacks: its loader refuses an
// executable that imports it.
bool AddFileBytes(const std::string& path, ULONGLONG& bytes) {
  WIN32_FIND_DATAA found;
  const ScopedFind search(FindFirstFileA(path.c_str(), &found));
  if (!search.IsValid()) return GetLastError() == ERROR_FILE_NOT_FOUND;
  bytes += (static_cast<ULONGLONG>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
  return true;
}

// The installed files' total, in whole kilobytes rounded up, as the list shows it.
bool WriteInstalledSize(SetupContext& context) {
  ULONGLONG bytes = 0;
  for (const InstalledFile& file : kInstalledFiles) {
    if (!AddFileBytes(context.InstallDir + LoadText(file.name), bytes)) return false;
  }
  return context.SetRegDword(HKEY_LOCAL_MACHINE, IDS_UNINSTALL_KEY, IDS_ESTIMATED_SIZE,
                             static_cast<DWORD>((bytes + 1023) >> 10));
}

bool SetEntryString(SetupContext& context, StringId name, const std::string& data) {
  return context.SetRegString(HKEY_LOCAL_MACHINE, IDS_UNINSTALL_KEY, name, data);
}

bool SetEntryNumber(SetupContext& context, StringId name, DWORD number) {
  return context.SetRegDword(HKEY_LOCAL_MACHINE, IDS_UNINSTALL_KEY, name, number);
}

}  // namespace

bool WriteUninstallEntry(SetupContext& context, bool folderMade) {
  return SetEntryString(context, IDS_DISPLAY_NAME, LoadText(IDS_PRODUCT_NAME)) &&
         // Quoted, as the system's list of programs runs it as a command line.
         SetEntryString(context, IDS_UNINSTALL_STRING, "\"" + context.UninstallerPath + "\"") &&
         SetEntryString(context, IDS_QUIET_UNINSTALL_STRING,
                        "\"" + context.UninstallerPath + "\" " + LoadText(IDS_ARG_QUIET)) &&
         SetEntryString(context, IDS_PUBLISHER, LoadText(IDS_PUBLISHER_NAME)) &&
         SetEntryString(context, IDS_INSTALL_LOCATION, context.InstallDir) &&
         SetEntryNumber(context, IDS_NO_MODIFY, 1) && SetEntryNumber(context, IDS_NO_REPAIR, 1) &&
         (folderMade ? SetEntryString(context, IDS_CREATED_LOCATION, context.InstallDir)
                     : context.DeleteRegValue(HKEY_LOCAL_MACHINE, IDS_UNINSTALL_KEY,
                                              IDS_CREATED_LOCATION)) &&
         SetEntryString(context, IDS_DISPLAY_VERSION,
                        FormatVersion("%d.%d.%d.%d", context.ProgramVersion)) &&
         SetEntryString(context, IDS_DISPLAY_ICON,
                        context.InstallDir + LoadText(IDS_FILE_EXE) + ",0") &&
         WriteInstalledSize(context);
}

bool RecordCompletion(SetupContext& context) {
  SYSTEMTIME today;
  GetLocalTime(&today);
  return SetEntryString(context, IDS_INSTALL_DATE,
                        FormatText("%04d%02d%02d", today.wYear, today.wMonth, today.wDay));
}
