// File set operations: bare names are collected in FileNameList, then copied or
// deleted in one pass, after which the list is empty again. Every copy is
// recorded in the context's work list, with the file it replaced kept aside
// until the step completes.
#include "setup/files.h"
#include "setup/installed_files.h"
#include "setup/setup_context.h"
#include "setup/system_paths.h"

namespace {

// A run cut off while `path` was aside leaves the aside copy: it goes back when
// nothing took its place, and goes when something did.
void FinishCutOffAside(const std::string& path) {
  const std::string aside = AsideName(path);
  if (!IsFile(aside)) return;
  if (IsFile(path)) {
    DeleteOwnFile(aside);
  } else {
    MoveFileA(aside.c_str(), path.c_str());
  }
}

// A run cut off while replacing a data file: its replacement, made beside it,
// takes its place once the user's file is the backup; otherwise it goes.
void FinishCutOffReplacement(const std::string& path) {
  FinishCutOffAside(path + ".bak");
  const std::string staged = StagedName(path);
  if (!IsFile(staged)) return;
  if (!IsFile(path) && IsFile(path + ".bak")) {
    MoveFileA(staged.c_str(), path.c_str());
  } else {
    DeleteOwnFile(staged);
  }
}

}  // namespace

bool SetupContext::SetAside(const std::string& path) {
  // What this step set aside already stays aside; what it put there since is its own.
  if (Work.HasAside(path)) return DeleteOwnFile(path);
  FinishCutOffAside(path);
  if (!IsFile(path)) return true;
  if (!MoveFileA(path.c_str(), AsideName(path).c_str())) return false;
  Work.Add({Change::kFileSetAside, path, AsideName(path)});
  return true;
}

namespace {

constexpr DWORD kCopyBlockBytes = 64 * 1024;

// The whole of the open file `source` into `target`, with its time of writing.
bool CopyContent(HANDLE source, HANDLE target) {
  std::vector<char> block(kCopyBlockBytes);
  if (SetFilePointer(source, 0, nullptr, FILE_BEGIN) != 0) return false;
  for (;;) {
    DWORD read = 0;
    DWORD written = 0;
    if (!ReadFile(source, block.data(), kCopyBlockBytes, &read, nullptr)) return false;
    if (read == 0) break;
    if (!WriteFile(target, block.data(), read, &written, nullptr) || written != read) return false;
  }
  FILETIME time;
  return GetFileTime(source, nullptr, nullptr, &time) &&
         SetFileTime(target, nullptr, nullptr, &time);
}

}  // namespace

void SetupContext::Hold(const std::string& path) {
  Held.push_back({path, OpenToCopy(path)});
}

void SetupContext::HoldDistribution() {
  Hold(OwnModulePath());
  for (const InstalledFile& file : kInstalledFiles) Hold(SourceDir + LoadText(file.name));
}

bool SetupContext::PutFile(const std::string& from, const std::string& to, bool replace) {
  if (replace && !SetAside(to)) return false;
  // What the setup holds is what the user started it with; what it does not
  // hold (a file the engine is asked to copy on its own) is held for the copy.
  const HeldFile* held = nullptr;
  for (const HeldFile& file : Held) {
    if (lstrcmpiA(file.path.c_str(), from.c_str()) == 0) held = &file;
  }
  const ScopedFile opened(held == nullptr ? OpenToCopy(from) : ScopedFile());
  const HANDLE source = held != nullptr ? held->file.Get() : opened.Get();
  if (source == INVALID_HANDLE_VALUE) return false;
  // Never over a file: one that is there now was not there a moment ago.
  const ScopedFile target(CreateFileA(to.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!target.IsValid()) return false;
  // Recorded before a byte is written: a copy that stops half-way goes with the step.
  Work.Add({Change::kFileMade, to});
  return CopyContent(source, target.Get());
}

bool SetupContext::PutNewFile(const std::string& from, const std::string& to) {
  // What a run cut off here left beside it is the setup's own.
  const std::string staged = StagedName(to);
  if (!DeleteOwnFile(staged) || !PutFile(from, staged, false) ||
      !MoveFileA(staged.c_str(), to.c_str())) {
    return false;
  }
  Work.Add({Change::kFileMoved, to, staged});
  return true;
}

bool SetupContext::MakeFolder(const std::string& path, SECURITY_ATTRIBUTES* security) {
  if (!CreateDirectoryA(path.c_str(), security)) return false;
  Work.Add({Change::kFolderMade, path});
  return true;
}

void SetupContext::EmptyFileList() { std::vector<std::string>().swap(FileNameList); }

void SetupContext::AddFile(StringId id) { FileNameList.push_back(LoadText(id)); }

std::vector<std::string> SetupContext::CopyListedFiles() {
  std::vector<std::string> failed;
  for (const std::string& name : FileNameList) {
    // Without the distribution folder the bare names would be taken from the
    // current folder.
    const bool copied = !SourceDir.empty() && PutFile(SourceDir + name, InstallDir + name, true);
    Log.Write(copied ? "copied" : "not copied", InstallDir + name);
    if (!copied) failed.push_back(name);
  }
  EmptyFileList();
  return failed;
}

bool SetupContext::DeleteListedFile(const std::string& name) {
  const std::string path = SourceDir + name;
  // Only the setup's own: a file the user made read-only stays so.
  const bool own = IsInstalledFileOrBackup(name);
  if (own) ClearReadOnly(path);
  bool deleted = true;
  if (DeleteWithRetries(path) == ERROR_SUCCESS) {
    Log.Write("deleted", path);
  } else if (IsFile(path) && (own || !IsReadOnly(path))) {
    Log.Write("not deleted", path);
    deleted = false;
  }
  // What a run cut off while replacing it kept aside goes with it.
  const std::string aside = AsideName(path);
  return !(own && IsFile(aside) && !DeleteOwnFile(aside)) && deleted;
}

bool SetupContext::DeleteListedFiles() {
  // The main program last, and only once every other file has gone: while it
  // is there, the next run finds its way back to finish.
  const std::string program = LoadText(IDS_FILE_EXE);
  bool deleted = true;
  bool listsProgram = false;
  for (const std::string& name : FileNameList) {
    if (lstrcmpiA(name.c_str(), program.c_str()) == 0) {
      listsProgram = true;
    } else {
      deleted = DeleteListedFile(name) && deleted;
    }
  }
  EmptyFileList();
  return deleted && (!listsProgram || DeleteListedFile(program));
}
bool SetupContext::BackupFile(StringId id) {
  // The older backup is kept aside until the step completes: the backup then
  // holds the user's current file.
  const std::string path = InstallDir + LoadText(id);
  const std::string backup = path + ".bak";
  if (!IsFile(path) || !SetAside(backup) || !MoveFileA(path.c_str(), backup.c_str())) return false;
  Work.Add({Change::kFileMoved, backup, path});
  Log.Write("backed up", backup);
  return ClearReadOnly(backup);
}

bool SetupContext::ReplaceDataFile(StringId id) {
  const std::string name = LoadText(id);
  const std::string path = InstallDir + name;
  const std::string source = SourceDir + name;
  if (SourceDir.empty()) return false;
  FinishCutOffReplacement(path);
  if (!IsFile(path)) return PutNewFile(source, path);
  // The distribution's own file holds nothing of the user's: replaced already.
  if (HaveSameContent(path, source)) return true;
  // The replacement is made beside the user's file first: the user's file moves
  // to its backup only once its replacement is in hand.
  const std::string staged = StagedName(path);
  if (!PutFile(source, staged, false) || !BackupFile(id) ||
      !MoveFileA(staged.c_str(), path.c_str())) {
    return false;
  }
  Work.Add({Change::kFileMoved, path, staged});
  return true;
}

bool SetupContext::InstallUninstaller() {
  // Without the Windows directory or the own file there is nothing to copy
  // where it belongs; the drive root or the current folder would be wrong.
  const std::string windows = WindowsDirectory();
  const std::string self = OwnModulePath();
  UninstallerPath.clear();
  if (windows.empty() || self.empty()) return false;
  UninstallerPath = windows + "\\" + LoadText(IDS_FILE_UNINSTALLER);
  const bool copied = PutFile(self, UninstallerPath, true);
  Log.Write(copied ? "copied" : "not copied", UninstallerPath);
  if (!copied) return false;
  // An uninstall before this install may have listed this very path for
  // deletion at the next restart, which would take the new copy.
  CancelPendingDeletion(UninstallerPath);
  return true;
}
