#include "setup/install_folder.h"

#include <windows.h>

#include <cstring>
#include <utility>

#include "setup/files.h"
#include "setup/folder_trust.h"
#include "setup/installed_files.h"
#include "setup/setup_context.h"
#include "setup/shared_folder.h"
#include "setup/system_paths.h"

namespace {

// The folder as the directory calls take it: without the trailing backslash,
// except at a drive root.
std::string DirectoryArgument(const std::string& path) {
  return path.size() > 3 ? path.substr(0, path.size() - 1) : path;
}

// The kinds of file the box "delete all files" names: "*.txt, *.kqs, *.lng".
bool IsNamedByTheBox(const std::string& name) {
  for (const char* extension : {".txt", ".kqs", ".lng"}) {
    const std::string::size_type length = lstrlenA(extension);
    if (name.size() > length &&
        lstrcmpiA(name.substr(name.size() - length).c_str(), extension) == 0) {
      return true;
    }
  }
  return false;
}

// The code page of the system's narrow-string programs; the process's own
// (CP_ACP) where the system does not say.
UINT SystemCodePage() {
  char digits[8] = "";
  GetLocaleInfoA(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE, digits, sizeof(digits));
  UINT codePage = CP_ACP;
  for (const char* digit = digits; *digit >= '0' && *digit <= '9'; ++digit) {
    codePage = codePage * 10 + (*digit - '0');
  }
  return codePage;
}

// Whether the installed program, a narrow-string program of the system's code
// page, can name `path`: it comes back unchanged through that code page. The
// process's own is UTF-8 where the system honours the manifest. A path of more
// than MAX_PATH characters is no folder for it either.
bool ProgramCanName(const std::string& path) {
  const UINT codePage = SystemCodePage();
  WCHAR typed[MAX_PATH];
  WCHAR named[MAX_PATH];
  char narrow[kPathBufferSize];
  const int length = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, typed, MAX_PATH);
  const int bytes =
      WideCharToMultiByte(codePage, 0, typed, length, narrow, sizeof(narrow), nullptr, nullptr);
  return length > 0 && MultiByteToWideChar(codePage, 0, narrow, bytes, named, MAX_PATH) == length &&
         memcmp(typed, named, length * sizeof(WCHAR)) == 0;
}

// Whether a double-byte character of `path` ends with the backslash's byte, as
// East Asian code pages allow where the system ignores the manifest: the byte-wise
// searches for the backslash would cut the name there.
bool HasBackslashByteInACharacter(const std::string& path) {
  for (const char* at = path.c_str(); *at != '\0';) {
    const char* next = CharNextA(at);
    if (next - at > 1 && next[-1] == '\\') return true;
    at = next;
  }
  return false;
}

// Whether the program may be installed into the full path `full`: one it can
// name, and one no other user could change or swap, nor reached through a
// link, since programs run from it as administrator.
bool MayInstallInto(const std::string& full) {
  return !full.empty() && !HasDevicePrefix(full) && ProgramCanName(full) &&
         !HasBackslashByteInACharacter(full) && TrustOfFolder(full) == FolderTrust::kTrusted;
}

}  // namespace

InstallFolder::InstallFolder(std::string path, bool made)
    : path_(std::move(path)), made_(made) {}

InstallFolder InstallFolder::Typed(const SetupContext& context, const std::string& typed) {
  // Blanks alone would make the current drive's root the folder; a relative
  // folder is recorded in full, or it would be looked for below whatever folder
  // the program, its links or the uninstaller are later started in.
  const std::string full = typed.find_first_not_of(" \t") == std::string::npos ||
                                   HasDevicePrefix(typed)
                               ? std::string()
                               : FullPath(typed);
  if (!MayInstallInto(full)) return InstallFolder(std::string(), false);
  const std::string folder = WithTrailingBackslash(full);
  return InstallFolder(folder, RecordedAsMade(context, folder));
}

InstallFolder InstallFolder::Installed(const std::string& folder, bool made) {
  return InstallFolder(folder, made);
}

InstallFolder InstallFolder::OfInstallation(const SetupContext& context) {
  return InstallFolder(context.SourceDir, RecordedAsMade(context, context.SourceDir));
}

bool InstallFolder::Create(SetupContext& context) {
  const std::string directory = DirectoryArgument(path_);
  if (!IsMissing(directory)) return IsFolder(directory);
  // Recorded before the folder is made: a run cut off in between still knows
  // that the installation made it.
  if (!context.SetRegString(HKEY_LOCAL_MACHINE, IDS_UNINSTALL_KEY, IDS_CREATED_LOCATION, path_) ||
      !context.MakeFolder(directory, InstallFolderSecurity())) {
    return false;
  }
  made_ = true;
  return true;
}

bool InstallFolder::RemoveIfEmpty() const { return RemoveFolderIfEmpty(DirectoryArgument(path_)); }

FolderKind InstallFolder::Kind() const {
  if (!shared_) shared_ = IsSharedFolder(path_);
  if (*shared_) return FolderKind::kShared;
  return made_ ? FolderKind::kCreated : FolderKind::kOther;
}

bool InstallFolder::MayDeleteWithAll(const std::string& name) const {
  switch (Kind()) {
    case FolderKind::kCreated:
      return true;
    case FolderKind::kOther:
      return IsInstalledFileOrBackup(name) || IsNamedByTheBox(name);
    case FolderKind::kShared:
      return IsInstalledFile(name, FileRole::kProgram);
  }
  return false;
}

// The listing is the folder's to make: what it lets go is its policy.
bool SetupContext::AddAllInstalledFiles(const InstallFolder& folder) {
  EmptyFileList();
  WIN32_FIND_DATAA entry;
  const ScopedFind search(FindFirstFileA((SourceDir + "*.*").c_str(), &entry));
  if (!search.IsValid()) return GetLastError() == ERROR_PATH_NOT_FOUND;
  // Every entry the folder lets go, "." and ".." and subfolders included:
  // deleting those fails and is passed over. Names stay as found: the system
  // compares them without regard to case, and lower-cased in place a name may
  // need more bytes in UTF-8 than it has. One too long for the narrow call's
  // buffer in UTF-8 (ERROR_MORE_DATA) cannot be named, and stays.
  for (BOOL found = TRUE; found || GetLastError() == ERROR_MORE_DATA;
       found = FindNextFileA(search.Get(), &entry)) {
    if (found && folder.MayDeleteWithAll(entry.cFileName)) FileNameList.push_back(entry.cFileName);
  }
  return true;
}

bool RecordedAsMade(const SetupContext& context, const std::string& folder) {
  std::string made;
  return !folder.empty() &&
         context.ReadRegStringById(HKEY_LOCAL_MACHINE, IDS_UNINSTALL_KEY, IDS_CREATED_LOCATION,
                                   made) &&
         !made.empty() && IsSamePath(made, folder);
}
