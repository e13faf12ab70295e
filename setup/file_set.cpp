// File set operations: bare names are collected in FileNameList, then copied or
// deleted in one pass, after which the list is empty again.
#include "setup/file_move.h"
#include "setup/install_folder.h"
#include "setup/installed_files.h"
#include "setup/setup_context.h"
#include "setup/system_paths.h"

namespace {

// A file that is in use may be released a moment later, as the main program
// does after "/UnregServer": one try and five more, 200 ms apart.
constexpr int kDeleteAttempts = 6;
constexpr DWORD kDeleteRetryPauseMilliseconds = 200;

// A file, not a folder (nor "." or "..") and not nothing.
bool IsFile(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Only a file that is there and in use can be released: a missing one, ".",
// "..", a subfolder or a read-only file never deletes, and waiting for each
// would cost a second.
bool MayBeReleased(const std::string& path, DWORD error) {
  if (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED &&
      error != ERROR_LOCK_VIOLATION) {
    return false;
  }
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) == 0;
}

// Every file on a CD is read-only, and a copy keeps the attribute: the program
// could not save its data, nor the setup replace or delete its own files.
void ClearReadOnly(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  }
}

// A copy over the setup's own file, which ends up writable.
bool CopyWritable(const std::string& from, const std::string& to) {
  ClearReadOnly(to);
  if (!CopyFileA(from.c_str(), to.c_str(), FALSE)) return false;
  ClearReadOnly(to);
  return true;
}

bool DeleteWithRetries(const std::string& path) {
  for (int attempt = 0;; ++attempt) {
    if (DeleteFileA(path.c_str())) return true;
    if (attempt + 1 == kDeleteAttempts || !MayBeReleased(path, GetLastError())) return false;
    Sleep(kDeleteRetryPauseMilliseconds);
  }
}

}  // namespace

void SetupContext::EmptyFileList() { std::vector<std::string>().swap(FileNameList); }

void SetupContext::AddFile(StringId id) { FileNameList.push_back(LoadText(id)); }

void SetupContext::AddAllInstalledFiles(const InstallFolder& folder) {
  EmptyFileList();
  WIN32_FIND_DATAA entry;
  const ScopedFind search(FindFirstFileA((SourceDir + "*.*").c_str(), &entry));
  if (!search.IsValid()) return;
  // Every entry the folder lets go, "." and ".." and subfolders included:
  // deleting those fails and is passed over. The system compares file names
  // without regard to case.
  do {
    CharLowerA(entry.cFileName);
    if (folder.MayDeleteWithAll(entry.cFileName)) FileNameList.push_back(entry.cFileName);
  } while (FindNextFileA(search.Get(), &entry));
}

std::vector<std::string> SetupContext::CopyListedFiles() {
  std::vector<std::string> failed;
  for (const std::string& name : FileNameList) {
    // Without the distribution folder the bare names would be taken from the
    // current folder.
    const bool copied = !SourceDir.empty() && CopyWritable(SourceDir + name, InstallDir + name);
    Log.Write(copied ? "copied" : "not copied", InstallDir + name);
    if (!copied) failed.push_back(name);
  }
  EmptyFileList();
  return failed;
}

void SetupContext::DeleteListedFiles() {
  for (const std::string& name : FileNameList) {
    // Only the setup's own: a file the user made read-only stays so.
    const std::string path = SourceDir + name;
    if (IsInstalledFileOrBackup(name)) ClearReadOnly(path);
    if (DeleteWithRetries(path)) {
      Log.Write("deleted", path);
    } else if (IsFile(path)) {
      Log.Write("not deleted", path);
    }
  }
  EmptyFileList();
}

bool SetupContext::BackupFile(StringId id) {
  // An older backup is replaced, so the backup always holds the user's current file.
  const std::string path = InstallDir + LoadText(id);
  ClearReadOnly(path);
  ClearReadOnly(path + ".bak");
  const bool moved = MoveFileReplacing(path, path + ".bak");
  if (moved) Log.Write("backed up", path + ".bak");
  return moved;
}

bool SetupContext::ReplaceDataFile(StringId id) {
  const std::string name = LoadText(id);
  const std::string path = InstallDir + name;
  if (SourceDir.empty()) return false;
  if (!FileExists(path)) return CopyWritable(SourceDir + name, path);
  // The replacement is put beside the user's file first: the user's file moves
  // to its backup only once its replacement is in hand.
  const std::string replacement = NewTemporaryFile(InstallDir);
  if (replacement.empty()) return false;
  if (CopyWritable(SourceDir + name, replacement) && BackupFile(id)) {
    if (MoveFileA(replacement.c_str(), path.c_str())) return true;
    // The user's file goes back to its place.
    MoveFileA((path + ".bak").c_str(), path.c_str());
  }
  DeleteFileA(replacement.c_str());
  return false;
}

bool SetupContext::InstallUninstaller() {
  // Without the Windows directory or the own file there is nothing to copy
  // where it belongs; the drive root or the current folder would be wrong.
  const std::string windows = WindowsDirectory();
  const std::string self = OwnModulePath();
  UninstallerPath.clear();
  if (windows.empty() || self.empty()) return false;
  UninstallerPath = windows + "\\" + LoadText(IDS_FILE_UNINSTALLER);
  const bool copied = CopyWritable(self, UninstallerPath);
  Log.Write(copied ? "copied" : "not copied", UninstallerPath);
  if (!copied) return false;
  // An uninstall before this install may have listed this very path for
  // deletion at the next restart, which would take the new copy.
  CancelPendingDeletion(UninstallerPath);
  return true;
}
