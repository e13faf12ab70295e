// Where the run works from and which version the main program there has.
#include "setup/installation.h"
#include "setup/system_paths.h"

#include <vector>

namespace {

// "a.b.c.d" as the entry shows a version; false for anything else.
bool ParseVersion(const std::string& text, FileVersion& version) {
  DWORD parts[4] = {};
  size_t part = 0;
  bool digit = false;
  for (const char c : text) {
    if (c == '.' && digit && part < 3) {
      ++part;
      digit = false;
    } else if (c >= '0' && c <= '9' && parts[part] * 10 + (c - '0') <= 0xFFFF) {
      parts[part] = parts[part] * 10 + (c - '0');
      digit = true;
    } else {
      return false;
    }
  }
  if (part != 3 || !digit) return false;
  version.ms = MAKELONG(parts[1], parts[0]);
  version.ls = MAKELONG(parts[3], parts[2]);
  return true;
}

// The version of `path`, or of the copy a run cut off while replacing it set
// aside: the installation is there all the same.
bool ReadVersionOrAside(SetupContext& context, const std::string& path) {
  return context.ReadFileVersion(path) || context.ReadFileVersion(AsideName(path));
}

bool ReadEntry(const SetupContext& context, StringId name, std::string& value) {
  return context.ReadRegStringById(HKEY_LOCAL_MACHINE, IDS_UNINSTALL_KEY, name, value) &&
         !value.empty();
}

Installation FromSettings(SetupContext& context, LookupPurpose purpose) {
  Installation found;
  std::string location;
  if (!context.ReadRegStringById(HKEY_CURRENT_USER, IDS_SETTINGS_KEY, IDS_LOCATION, location)) {
    return found;
  }
  found.folder = FolderOf(location);
  const std::string versioned =
      purpose == LookupPurpose::kUpdate ? location : found.folder + LoadText(IDS_FILE_EXE);
  if (!found.folder.empty() && ReadVersionOrAside(context, versioned)) {
    found.foundIn = FoundIn::kSettings;
    found.version = context.ProbedVersion;
  }
  return found;
}

Installation FromEntry(SetupContext& context, LookupPurpose purpose) {
  Installation found;
  std::string recorded;
  std::string shown;
  if (!ReadEntry(context, IDS_INSTALL_LOCATION, recorded) ||
      (purpose == LookupPurpose::kUpdate && !ReadEntry(context, IDS_INSTALL_DATE, shown))) {
    return found;
  }
  found.folder = WithTrailingBackslash(recorded);
  if (ReadVersionOrAside(context, found.folder + LoadText(IDS_FILE_EXE))) {
    found.version = context.ProbedVersion;
  } else if (purpose == LookupPurpose::kUpdate ||
             !ReadEntry(context, IDS_DISPLAY_VERSION, shown) || !ParseVersion(shown, found.version)) {
    return found;
  }
  found.foundIn = FoundIn::kEntry;
  return found;
}

}  // namespace

Installation FindInstallation(SetupContext& context, LookupPurpose purpose) {
  Installation inSettings = FromSettings(context, purpose);
  if (inSettings.foundIn != FoundIn::kNowhere) return inSettings;
  Installation inEntry = FromEntry(context, purpose);
  return inEntry.foundIn != FoundIn::kNowhere ? inEntry : inSettings;
}

bool SetupContext::LoadLocation(bool fromModule) {
  if (fromModule) {
    SourceDir = FolderOf(OwnModulePath());
    if (SourceDir.empty()) return false;
    HoldDistribution();
    return ReadProgramVersion();
  }
  const Installation found = FindInstallation(*this, LookupPurpose::kUninstall);
  SourceDir = found.folder;
  ProgramVersion = found.version;
  return found.foundIn != FoundIn::kNowhere;
}

bool SetupContext::ReadProgramVersion() {
  if (ReadFileVersion(SourceDir + LoadText(IDS_FILE_EXE))) {
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

namespace {

// The version calls, from the system folder's DLL by its full path: it is none
// of the system's known DLLs, and an import of it would be looked for first
// beside the program, wherever that was downloaded.
struct VersionCalls {
  ScopedLibrary library{LoadSystemLibrary("version.dll")};
  decltype(&GetFileVersionInfoSizeA) infoSize =
      NamedCall<decltype(&GetFileVersionInfoSizeA)>(library.Get(), "GetFileVersionInfoSizeA");
  decltype(&GetFileVersionInfoA) info =
      NamedCall<decltype(&GetFileVersionInfoA)>(library.Get(), "GetFileVersionInfoA");
  decltype(&VerQueryValueA) query =
      NamedCall<decltype(&VerQueryValueA)>(library.Get(), "VerQueryValueA");
};

}  // namespace

bool SetupContext::ReadFileVersion(const std::string& path) {
  if (CharacterCount(path.c_str(), -1) > MAX_PATH) return false;
  const VersionCalls calls;
  if (calls.infoSize == nullptr || calls.info == nullptr || calls.query == nullptr) return false;
  DWORD handle = 0;
  const DWORD size = calls.infoSize(path.c_str(), &handle);
  if (size == 0) return false;
  std::vector<BYTE> info(size);
  if (!calls.info(path.c_str(), handle, size, info.data())) return false;
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT fixedSize = 0;
  char root[] = "\\";
  if (!calls.query(info.data(), root, reinterpret_cast<void**>(&fixed), &fixedSize) ||
      fixed == nullptr || fixedSize < sizeof(VS_FIXEDFILEINFO)) {
    return false;
  }
  ProbedVersion.ms = fixed->dwFileVersionMS;
  ProbedVersion.ls = fixed->dwFileVersionLS;
  return true;
}

bool SetupContext::DetectPreviousInstall() {
  const Installation found = FindInstallation(*this, LookupPurpose::kUpdate);
  if (found.foundIn == FoundIn::kNowhere) return false;
  InstallDir = found.folder;
  return true;
}
