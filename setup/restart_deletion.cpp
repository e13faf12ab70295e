// Deleting a file at the next restart on both families of the system.
#include "setup/restart_deletion.h"

#include "setup/setup_context.h"
#include "setup/shared_folder.h"
#include "setup/system_paths.h"
#include "setup/wininit.h"

namespace {

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
  if (query == nullptr || store == nullptr ||
      MultiByteToWideChar(CP_ACP, 0, narrowName.c_str(), -1, name, 64) == 0) {
    return false;
  }
  const ScopedRegKey key = OpenRegKey(HKEY_LOCAL_MACHINE, LoadText(IDS_SESSION_MANAGER_KEY).c_str(),
                                      KEY_QUERY_VALUE | KEY_SET_VALUE);
  if (!key.IsValid()) return false;
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

}  // namespace

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
