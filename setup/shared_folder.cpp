#include "setup/shared_folder.h"

#include "setup/setup_context.h"
#include "setup/system_paths.h"

namespace {

// Windows 95 lacks GetLongPathNameA; there the full path is taken as it is.
std::string LongPathOf(const std::string& path) {
  const auto getLongPathName =
      SystemCall<DWORD(WINAPI*)(LPCSTR, LPSTR, DWORD)>("kernel32.dll", "GetLongPathNameA");
  if (getLongPathName == nullptr) return path;
  char longPath[kPathBufferSize];
  const std::string resolved =
      PathFromBuffer(longPath, getLongPathName(path.c_str(), longPath, kPathBufferSize));
  return resolved.empty() ? path : resolved;
}

bool IsDriveRoot(const std::string& canonical) {
  return canonical.size() == 3 && canonical[1] == ':' && canonical[2] == '\\';
}

// "\\server\share" (or "\\server"): no backslash after the share's name.
bool IsShareRoot(const std::string& canonical) {
  if (canonical.compare(0, 2, "\\\\") != 0) return false;
  const std::string::size_type shareStart = canonical.find('\\', 2);
  return shareStart == std::string::npos ||
         canonical.find('\\', shareStart + 1) == std::string::npos;
}

// The folder an environment variable ("%NAME%") names; empty where it is not
// set (the profile on the older family, the 64-bit folders on 32-bit systems),
// as for any text that expands to itself.
std::string EnvironmentFolder(const char* variable) {
  char folder[kPathBufferSize] = "";
  // The count the call gives is not of bytes on every system: the text is
  // taken up to its zero.
  const DWORD length = ExpandEnvironmentStringsA(variable, folder, kPathBufferSize);
  return length > kPathBufferSize || lstrcmpiA(folder, variable) == 0 ? std::string() : folder;
}

// The shared folders' names, one after another: values of the system's
// CurrentVersion key, or "%variables%" of the environment. The program-files
// and common-files folders of both bitnesses: a 32-bit program on 64-bit
// Windows reads the "(x86)" folders as ProgramFilesDir and CommonFilesDir, and
// the 64-bit ones under their "W6432" names, which some systems keep only in
// the environment. Then the profile.
constexpr char kFolderNames[] =
    "ProgramFilesDir\0CommonFilesDir\0ProgramFilesDir (x86)\0CommonFilesDir (x86)\0"
    "ProgramW6432Dir\0CommonW6432Dir\0%ProgramW6432%\0%CommonProgramW6432%\0%USERPROFILE%\0";

// The shared folders the system names: those above and every folder of the
// user's and the machine's "Shell Folders". A value that cannot be read is
// left out.
std::vector<std::string> RegisteredSharedFolders() {
  const SetupContext reader;
  std::vector<std::string> folders = reader.ReadRegStrings(HKEY_CURRENT_USER, IDS_SHELL_FOLDERS_KEY);
  for (const std::string& machine : reader.ReadRegStrings(HKEY_LOCAL_MACHINE, IDS_SHELL_FOLDERS_KEY)) {
    folders.push_back(machine);
  }
  for (const char* name = kFolderNames; *name != '\0'; name += lstrlenA(name) + 1) {
    // A value's name expands to itself: no folder until the value is read.
    std::string folder = EnvironmentFolder(name);
    if (*name != '%') reader.ReadRegString(HKEY_LOCAL_MACHINE, IDS_CURRENT_VERSION_KEY, name, folder);
    folders.push_back(folder);
  }
  return folders;
}

// Whether the canonical `path` is `folder` or lies below it.
bool IsSameOrBelow(const std::string& path, const std::string& folder) {
  const std::string canonicalFolder = CanonicalPath(folder);
  if (canonicalFolder.empty() || path.size() < canonicalFolder.size()) return false;
  const std::string start = path.substr(0, canonicalFolder.size());
  return lstrcmpiA(start.c_str(), canonicalFolder.c_str()) == 0 &&
         (path.size() == canonicalFolder.size() || path[canonicalFolder.size()] == '\\');
}

}  // namespace

std::string FullPath(const std::string& path) {
  if (path.empty()) return std::string();
  char full[kPathBufferSize];
  LPSTR namePart = nullptr;
  return PathFromBuffer(full, GetFullPathNameA(path.c_str(), kPathBufferSize, full, &namePart));
}

std::string ShortPath(const std::string& path) {
  char shortPath[kPathBufferSize];
  return PathFromBuffer(shortPath, GetShortPathNameA(path.c_str(), shortPath, kPathBufferSize));
}

std::string CanonicalPath(const std::string& path) {
  const std::string full = FullPath(path);
  if (full.empty()) return std::string();
  std::string canonical = LongPathOf(full);
  while (canonical.size() > 3 && canonical.back() == '\\') canonical.pop_back();
  return canonical;
}

bool IsSamePath(const std::string& a, const std::string& b) {
  const std::string canonicalA = CanonicalPath(a);
  return !canonicalA.empty() && lstrcmpiA(canonicalA.c_str(), CanonicalPath(b).c_str()) == 0;
}

bool HasDevicePrefix(const std::string& path) {
  return path.compare(0, 4, "\\\\?\\") == 0 || path.compare(0, 4, "\\\\.\\") == 0;
}

bool IsSharedFolder(const std::string& folder) {
  const std::string canonical = CanonicalPath(folder);
  if (canonical.empty() || HasDevicePrefix(canonical) || IsDriveRoot(canonical) ||
      IsShareRoot(canonical) || IsSameOrBelow(canonical, WindowsDirectory())) {
    return true;
  }
  std::vector<std::string> shared = RegisteredSharedFolders();
  shared.push_back(SystemDirectory());
  for (const std::string& candidate : shared) {
    if (!candidate.empty() && IsSamePath(candidate, canonical)) return true;
  }
  return false;
}
