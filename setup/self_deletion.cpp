// Deleting the uninstaller's own file at the next restart, on both families of
// the system.
#include <optional>

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

// Whether the zero-ended UTF-16 `source` of a pending rename is "\??\" and a
// spelling of `path`. A name the process's code page cannot spell exactly is
// another program's.
bool NamesPath(const wchar_t* source, const std::string& path) {
  char narrow[kPathBufferSize];
  WCHAR back[MAX_PATH];
  const int units = WideCharToMultiByte(CP_ACP, 0, source, -1, narrow, sizeof(narrow), nullptr,
                                        nullptr) > 4
                        ? MultiByteToWideChar(CP_ACP, 0, narrow, -1, back, MAX_PATH)
                        : 0;
  return units > 0 && memcmp(back, source, units * sizeof(WCHAR)) == 0 &&
         memcmp(narrow, "\\??\\", 4) == 0 && IsSamePath(narrow + 4, path);
}

// Where the zero-ended name that starts at `from` of `units` ends; `count` when
// it does not.
std::size_t NameEnd(const wchar_t* units, std::size_t from, std::size_t count) {
  while (from < count && units[from] != L'\0') ++from;
  return from;
}

// `list`, the UTF-16 bytes of pairs of zero-ended names (a deletion's target
// empty, the list ended by one more zero), without the deletions of `path`;
// empty when it holds none or is not whole pairs, which is not the setup's to
// rewrite.
std::string WithoutDeletionsOf(const std::string& list, const std::string& path) {
  const auto* units = reinterpret_cast<const wchar_t*>(list.data());
  const std::size_t count = list.size() / sizeof(wchar_t);
  std::string kept;
  bool dropped = false;
  for (std::size_t start = 0; start < count && units[start] != L'\0';) {
    const std::size_t sourceEnd = NameEnd(units, start, count);
    const std::size_t targetEnd = NameEnd(units, sourceEnd + 1, count);
    if (targetEnd >= count) return std::string();
    if (targetEnd == sourceEnd + 1 && NamesPath(units + start, path)) {
      dropped = true;
    } else {
      kept.append(list, start * sizeof(wchar_t), (targetEnd + 1 - start) * sizeof(wchar_t));
    }
    start = targetEnd + 1;
  }
  return dropped ? kept.append(sizeof(wchar_t), '\0') : std::string();
}

// The NT family keeps them in the registry; true when a deletion of `path` was
// dropped. Read and written in UTF-16: other programs' paths may hold characters
// the process's code page cannot spell, and must stay as they were.
bool CancelPendingRenameDeletion(const std::string& path) {
  const auto query = SystemCall<decltype(&RegQueryValueExW)>("advapi32.dll", "RegQueryValueExW");
  const auto store = SystemCall<decltype(&RegSetValueExW)>("advapi32.dll", "RegSetValueExW");
  const std::string narrowName = LoadText(IDS_PENDING_RENAMES);
  WCHAR name[64];
  ScopedRegKey key;
  if (query == nullptr || store == nullptr ||
      MultiByteToWideChar(CP_ACP, 0, narrowName.c_str(), -1, name, 64) == 0 ||
      RegOpenKeyExA(HKEY_LOCAL_MACHINE, LoadText(IDS_SESSION_MANAGER_KEY).c_str(), 0,
                    KEY_QUERY_VALUE | KEY_SET_VALUE, key.Receive()) != ERROR_SUCCESS) {
    key.Release();
    return false;
  }
  DWORD size = 0;
  if (query(key.Get(), name, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) return false;
  std::string list(size, '\0');
  if (query(key.Get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(&list[0]), &size) !=
      ERROR_SUCCESS) {
    return false;
  }
  list.resize(size);
  const std::string kept = WithoutDeletionsOf(list, path);
  if (kept.empty()) return false;
  if (kept.size() == sizeof(wchar_t)) {
    return RegDeleteValueA(key.Get(), narrowName.c_str()) == ERROR_SUCCESS;
  }
  return store(key.Get(), name, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(kept.data()),
               static_cast<DWORD>(kept.size())) == ERROR_SUCCESS;
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
