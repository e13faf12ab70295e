// Deleting the uninstaller's own file at the next restart, on both families of
// the system.
#include <optional>
#include <vector>

#include "setup/file_move.h"
#include "setup/files.h"
#include "setup/restart_deletion.h"
#include "setup/setup_context.h"
#include "setup/shared_folder.h"
#include "setup/system_paths.h"
#include "setup/wininit.h"

namespace {

bool WriteNewFile(const std::string& path, const std::string& text) {
  const ScopedFile file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  return file.IsValid() &&
         WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
         written == text.size();
}

// The new text goes to a file beside the old one first, so that a write that
// fails or stops short leaves the old file as it was.
bool ReplaceFileText(const std::string& path, const std::string& text) {
  const std::string temporary = NewTemporaryFile(FolderOf(path));
  if (temporary.empty()) return false;
  if (WriteNewFile(temporary, text) && MoveFileReplacing(temporary, path)) return true;
  // Should the old file be gone all the same, the new text holds all of it.
  if (FileExists(path)) DeleteFileA(temporary.c_str());
  return false;
}

// <Windows directory>\WININIT.INI; empty without the Windows directory.
std::string WininitPath() {
  const std::string windows = WindowsDirectory();
  return windows.empty() ? std::string() : windows + "\\" + LoadText(IDS_WININIT_FILE);
}

// The system's renames at the next restart, as its list of names: each pair a
// source ("\??\C:\...") and a target, empty for a deletion.
std::vector<std::string> ReadPendingRenames(HKEY key) {
  const std::string name = LoadText(IDS_PENDING_RENAMES);
  DWORD size = 0;
  if (RegQueryValueExA(key, name.c_str(), nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) {
    return {};
  }
  std::string data(size, '\0');
  if (RegQueryValueExA(key, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(&data[0]),
                       &size) != ERROR_SUCCESS) {
    return {};
  }
  data.resize(size);
  std::vector<std::string> names;
  // Pairs of zero-terminated names; an empty target is one of them.
  for (std::string::size_type start = 0; start < data.size();) {
    const std::string::size_type end = data.find('\0', start);
    names.push_back(data.substr(start, end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  // The list ends with an empty name of its own.
  if (names.size() % 2 == 1 && names.back().empty()) names.pop_back();
  return names;
}

bool WritePendingRenames(HKEY key, const std::vector<std::string>& names) {
  const std::string name = LoadText(IDS_PENDING_RENAMES);
  if (names.empty()) return RegDeleteValueA(key, name.c_str()) == ERROR_SUCCESS;
  std::string data;
  for (const std::string& entry : names) data += entry + '\0';
  data += '\0';
  return RegSetValueExA(key, name.c_str(), 0, REG_MULTI_SZ,
                        reinterpret_cast<const BYTE*>(data.data()),
                        static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
}

// The NT family keeps them in the registry, spelt with the "\??\" prefix; true
// when a deletion of `path` was dropped.
bool CancelPendingRenameDeletion(const std::string& path) {
  ScopedRegKey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, LoadText(IDS_SESSION_MANAGER_KEY).c_str(), 0,
                    KEY_QUERY_VALUE | KEY_SET_VALUE, key.Receive()) != ERROR_SUCCESS) {
    key.Release();
    return false;
  }
  const std::vector<std::string> names = ReadPendingRenames(key.Get());
  // A list that is not whole pairs is not the setup's to rewrite.
  if (names.size() % 2 != 0) return false;
  std::vector<std::string> kept;
  for (std::size_t pair = 0; pair < names.size(); pair += 2) {
    const std::string& source = names[pair];
    const bool deletesPath = names[pair + 1].empty() && source.compare(0, 4, "\\??\\") == 0 &&
                             IsSamePath(source.substr(4), path);
    if (!deletesPath) kept.insert(kept.end(), {source, names[pair + 1]});
  }
  return kept.size() < names.size() && WritePendingRenames(key.Get(), kept);
}

// The older family's WININIT.INI; true when a deletion of `path` was dropped.
bool CancelWininitDeletion(const std::string& path) {
  const std::string file = WininitPath();
  if (file.empty()) return false;
  const std::optional<std::string> text = ReadWholeFile(file);
  if (!text) return false;
  const std::string kept = RemoveDeleteEntries(*text, path);
  return kept != *text && ReplaceFileText(file, kept);
}

}  // namespace

std::string RemoveDeleteEntries(const std::string& text, const std::string& path) {
  const std::string header = LoadText(IDS_RENAME_SECTION);
  const std::string entry = LoadText(IDS_NUL_ENTRY);
  std::string kept;
  bool inRenameSection = false;
  for (std::string::size_type start = 0; start < text.size();) {
    const std::string::size_type end = text.find('\n', start);
    const std::string line =
        text.substr(start, end == std::string::npos ? std::string::npos : end + 1 - start);
    start = end == std::string::npos ? text.size() : end + 1;
    if (!line.empty() && line[0] == '[') inRenameSection = line == header;
    const std::string::size_type pathEnd = line.find_last_not_of("\r\n") + 1;
    const bool deletesPath = inRenameSection && line.compare(0, entry.size(), entry) == 0 &&
                             IsSamePath(line.substr(entry.size(), pathEnd - entry.size()), path);
    if (!deletesPath) kept += line;
  }
  return kept;
}

std::string AddRenameEntry(const std::string& text, const std::string& entry) {
  const std::string header = LoadText(IDS_RENAME_SECTION);
  const std::string::size_type found = text.find(header);
  if (found != std::string::npos) {
    const std::string::size_type sectionStart = found + header.size();
    return text.substr(0, sectionStart) + entry + "\r\n" + text.substr(sectionStart);
  }
  // A last line without its line end would otherwise run into the new header.
  const bool needsLineEnd = !text.empty() && text.back() != '\n';
  return text + (needsLineEnd ? "\r\n" : "") + header + entry;
}

bool AddWininitEntry(const std::string& wininit, const std::string& entry) {
  const std::optional<std::string> text = ReadWholeFile(wininit);
  return text && ReplaceFileText(wininit, AddRenameEntry(*text, entry));
}

// A deletion asked for already is dropped first, so that there is one.
bool ScheduleDeletionAtRestart(const std::string& path) {
  CancelDeletionAtRestart(path);
  if (IsNtFamily()) return MoveFileExA(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
  // The older family carries out WININIT.INI before long file names exist.
  const std::string shortPath = ShortPath(path);
  return !shortPath.empty() && AddWininitEntry(WininitPath(), LoadText(IDS_NUL_ENTRY) + shortPath);
}

bool CancelDeletionAtRestart(const std::string& path) {
  return IsNtFamily() ? CancelPendingRenameDeletion(path) : CancelWininitDeletion(path);
}

void SetupContext::CancelPendingDeletion(const std::string& path) {
  if (!CancelDeletionAtRestart(path)) return;
  Work.Add({Change::kDeletionCancelled, path});
  Log.Write("no longer deleted at the next restart", path);
}

bool SetupContext::ScheduleSelfDeletion() {
  // Only the uninstaller's copy goes: the distribution's setup run in uninstall
  // mode is the user's file.
  const std::string self = OwnModulePath();
  const std::string windows = WindowsDirectory();
  if (self.empty() || windows.empty() ||
      !IsSamePath(self, windows + "\\" + LoadText(IDS_FILE_UNINSTALLER))) {
    return true;
  }
  const bool scheduled = ScheduleDeletionAtRestart(self);
  if (scheduled) Work.Add({Change::kDeletionScheduled, self});
  Log.Write(scheduled ? "deleted at the next restart" : "not deleted at the next restart", self);
  return scheduled;
}
