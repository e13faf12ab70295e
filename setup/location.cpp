// Where the run works from and which version the main program there has.
#include "setup/setup_context.h"
#include "setup/system_paths.h"

#include <vector>

bool SetupContext::LoadLocation(bool fromModule) {
  if (fromModule) {
    SourceDir = OwnModulePath();
  } else {
    ReadRegStringById(HKEY_CURRENT_USER, IDS_SETTINGS_KEY, IDS_LOCATION, SourceDir);
  }
  SourceDir = FolderOf(SourceDir);
  if (!SourceDir.empty() && ReadProgramVersion()) return true;
  // The files and the entry are the machine's, the settings the installing
  // account's: settings that name no installation may be another account's.
  return !fromModule && ReadEntryFolder(SourceDir) && ReadProgramVersion();
}

bool SetupContext::ReadProgramVersion() {
  if (ReadFileVersion(SourceDir + LoadText(IDS_VERSIONED_FILE))) {
    ProgramVersion = ProbedVersion;
    return true;
  }
  ProgramVersion = FileVersion();
  return false;
}

std::string FormatVersion(const char* format, const FileVersion& version) {
  return FormatText(format, HIWORD(version.ms), LOWORD(version.ms), HIWORD(version.ls),
                    LOWORD(version.ls));
}

bool SetupContext::ReadFileVersion(const std::string& path) {
  if (path.size() >= MAX_PATH) return false;
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
  if (size == 0) return false;
  std::vector<BYTE> info(size);
  if (!GetFileVersionInfoA(path.c_str(), handle, size, info.data())) return false;
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT fixedSize = 0;
  char root[] = "\\";
  if (!VerQueryValueA(info.data(), root, reinterpret_cast<void**>(&fixed), &fixedSize) ||
      fixed == nullptr || fixedSize < sizeof(VS_FIXEDFILEINFO)) {
    return false;
  }
  ProbedVersion.ms = fixed->dwFileVersionMS;
  ProbedVersion.ls = fixed->dwFileVersionLS;
  return true;
}

bool SetupContext::DetectPreviousInstall() {
  std::string location;
  if (!ReadRegStringById(HKEY_CURRENT_USER, IDS_SETTINGS_KEY, IDS_LOCATION, location) ||
      !ReadFileVersion(location)) {
    // An installation made under another account, as in LoadLocation.
    std::string folder;
    if (!ReadEntryFolder(folder)) return false;
    location = folder + LoadText(IDS_FILE_EXE);
    if (!ReadFileVersion(location)) return false;
  }
  const std::string folder = FolderOf(location);
  if (folder.empty()) return false;
  InstallDir = folder;
  return true;
}

bool SetupContext::ReadEntryFolder(std::string& folder) const {
  std::string recorded;
  if (!ReadRegStringById(HKEY_LOCAL_MACHINE, IDS_UNINSTALL_KEY, IDS_INSTALL_LOCATION, recorded) ||
      recorded.empty()) {
    return false;
  }
  folder = WithTrailingBackslash(recorded);
  return true;
}
