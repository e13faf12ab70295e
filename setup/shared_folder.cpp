#include "setup/shared_folder.h"

#include "setup/setup_context.h"
#include "setup/system_paths.h"

namespace {

using GetLongPathNameFunction = DWORD(WINAPI*)(LPCSTR, LPSTR, DWORD);

// Windows 95 lacks GetLongPathNameA; there the full path is taken as it is.
std::string LongPathOf(const std::string& path) {
  const auto getLongPathName = reinterpret_cast<GetLongPathNameFunction>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetLongPathNameA")));
  if (getLongPathName == nullptr) return path;
  char longPath[MAX_PATH];
  const std::string resolved =
      PathFromBuffer(longPath, getLongPathName(path.c_str(), longPath, MAX_PATH));
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

// The shared folders the registry names; a value that cannot be read is empty.
std::vector<std::string> RegisteredSharedFolders() {
  const SetupContext reader;
  std::vector<std::string> folders(1);
  reader.ReadRegStringById(HKEY_LOCAL_MACHINE, IDS_CURRENT_VERSION_KEY, IDS_PROGRAM_FILES_DIR,
                           folders.back());
  for (StringId value :
       {IDS_FOLDER_DESKTOP, IDS_FOLDER_PROGRAMS, IDS_FOLDER_STARTUP, IDS_FOLDER_PERSONAL}) {
    folders.emplace_back();
    reader.ReadRegStringById(HKEY_CURRENT_USER, IDS_SHELL_FOLDERS_KEY, value, folders.back());
  }
  return folders;
}

}  // namespace

std::string FullPath(const std::string& path) {
  if (path.empty()) return std::string();
  char full[MAX_PATH];
  LPSTR namePart = nullptr;
  return PathFromBuffer(full, GetFullPathNameA(path.c_str(), MAX_PATH, full, &namePart));
}

std::string ShortPath(const std::string& path) {
  char shortPath[MAX_PATH];
  return PathFromBuffer(shortPath, GetShortPathNameA(path.c_str(), shortPath, MAX_PATH));
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

bool IsSharedFolder(const std::string& folder) {
  const std::string canonical = CanonicalPath(folder);
  if (canonical.empty() || IsDriveRoot(canonical) || IsShareRoot(canonical)) return true;
  std::vector<std::string> shared = RegisteredSharedFolders();
  shared.push_back(WindowsDirectory());
  shared.push_back(SystemDirectory());
  for (const std::string& candidate : shared) {
    if (IsSamePath(candidate, canonical)) return true;
  }
  return false;
}
