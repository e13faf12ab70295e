// File set operations: bare names are collected in FileNameList, then copied or
// deleted in one pass, after which the list is empty again.
#include "setup/file_move.h"
#include "setup/setup_context.h"
#include "setup/system_paths.h"

namespace {

// A file that is in use may be released a moment later, as the main program
// does after "/UnregServer": one try and five more, 200 ms apart.
constexpr int kDeleteAttempts = 6;
constexpr DWORD kDeleteRetryPauseMilliseconds = 200;

// Only a file that is there and in use can be released: a missing one, ".",
// ".." or a subfolder never deletes, and waiting for each would cost a second.
bool MayBeReleased(const std::string& path, DWORD error) {
  if (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED &&
      error != ERROR_LOCK_VIOLATION) {
    return false;
  }
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
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

void SetupContext::AddAllInstalledFiles() {
  EmptyFileList();
  WIN32_FIND_DATAA entry;
  const ScopedFind search(FindFirstFileA((SourceDir + "*.*").c_str(), &entry));
  if (!search.IsValid()) return;
  // Every entry, "." and ".." and subfolders included: deleting those fails and is
  // passed over. The system compares file names without regard to case.
  do {
    CharLowerA(entry.cFileName);
    FileNameList.push_back(entry.cFileName);
  } while (FindNextFileA(search.Get(), &entry));
}

std::vector<std::string> SetupContext::CopyListedFiles() {
  std::vector<std::string> failed;
  for (const std::string& name : FileNameList) {
    // Without the distribution folder the bare names would be taken from the
    // current folder.
    if (SourceDir.empty() ||
        !CopyFileA((SourceDir + name).c_str(), (InstallDir + name).c_str(), FALSE)) {
      failed.push_back(name);
    }
  }
  EmptyFileList();
  return failed;
}

void SetupContext::DeleteListedFiles() {
  for (const std::string& name : FileNameList) DeleteWithRetries(SourceDir + name);
  EmptyFileList();
}

bool SetupContext::BackupFile(StringId id) {
  // An older backup is replaced, so the backup always holds the user's current file.
  const std::string path = InstallDir + LoadText(id);
  return MoveFileReplacing(path, path + ".bak");
}

bool SetupContext::InstallUninstaller() {
  // Without the Windows directory or the own file there is nothing to copy
  // where it belongs; the drive root or the current folder would be wrong.
  const std::string windows = WindowsDirectory();
  const std::string self = OwnModulePath();
  UninstallerPath.clear();
  if (windows.empty() || self.empty()) return false;
  UninstallerPath = windows + "\\" + LoadText(IDS_FILE_UNINSTALLER);
  return CopyFileA(self.c_str(), UninstallerPath.c_str(), FALSE) != FALSE;
}
