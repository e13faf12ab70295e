#include "setup/work_list.h"

#include "setup/files.h"
#include "setup/restart_deletion.h"
#include "setup/scoped.h"

namespace {

void Restore(const WorkItem& item) {
  const ScopedRegKey key = OpenRegKey(item.root, item.path.c_str(), KEY_SET_VALUE);
  if (!key.IsValid()) return;
  if (item.type == REG_NONE) {
    RegDeleteValueA(key.Get(), item.other.c_str());
  } else {
    RegSetValueExA(key.Get(), item.other.c_str(), 0, item.type,
                   reinterpret_cast<const BYTE*>(item.data.data()),
                   static_cast<DWORD>(item.data.size()));
  }
}

void TakeBack(const WorkItem& item) {
  switch (item.change) {
    case Change::kFileMade:
      DeleteFileA(item.path.c_str());
      break;
    case Change::kFileSetAside:
      DeleteFileA(item.path.c_str());
      MoveFileA(item.other.c_str(), item.path.c_str());
      break;
    case Change::kFileMoved:
      MoveFileA(item.path.c_str(), item.other.c_str());
      break;
    case Change::kFolderMade:
      RemoveDirectoryA(item.path.c_str());
      break;
    case Change::kKeyMade:
      RegDeleteKeyA(item.root, item.path.c_str());
      break;
    case Change::kValueSet:
      Restore(item);
      break;
    case Change::kDeletionCancelled:
      ScheduleDeletionAtRestart(item.path);
      break;
    case Change::kDeletionScheduled:
      CancelDeletionAtRestart(item.path);
      break;
  }
}

}  // namespace

std::string AsideName(const std::string& path) { return path + ".kqold"; }
std::string StagedName(const std::string& path) { return path + ".kqnew"; }

bool WorkList::HasAside(const std::string& path) const {
  for (const WorkItem& item : items_) {
    if (item.change == Change::kFileSetAside && item.path == path) return true;
  }
  return false;
}

void WorkList::Undo(const SetupLog& log) {
  for (auto item = items_.rbegin(); item != items_.rend(); ++item) TakeBack(*item);
  if (!items_.empty()) log.Write("taken back");
  items_.clear();
}

bool WorkList::Commit(const SetupLog& log) {
  bool dropped = true;
  for (const WorkItem& item : items_) {
    if (item.change == Change::kFileSetAside && !DeleteOwnFile(item.other)) {
      log.Write("not deleted", item.other);
      dropped = false;
    }
  }
  items_.clear();
  return dropped;
}
