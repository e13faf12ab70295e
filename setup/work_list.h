// The changes a step has made to the machine, each recorded as it is made with
// what takes it back. A step that fails plays its list back, newest first; a
// step that completes keeps its changes and drops the copies it kept for taking
// them back. The install and the update change nothing they cannot take back.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "setup/setup_log.h"

enum class Change : unsigned char {
  kFileMade,           // `path` is new: deleted
  kFileSetAside,       // `path`'s old content is at `other`: put back over it
  kFileMoved,          // `other` was moved to `path`: moved back
  kFolderMade,         // `path` is new: removed
  kKeyMade,            // `root`\`path` is new: deleted
  kValueSet,           // `root`\`path`, value `other`: `data` of `type` again, or none (REG_NONE)
  kDeletionCancelled,  // `path` was to go at the next restart: asked for again
  kDeletionScheduled,  // `path` is to go at the next restart: no longer
};

struct WorkItem {
  Change change = Change::kFileMade;
  std::string path = std::string();
  std::string other = std::string();
  HKEY root = nullptr;
  DWORD type = REG_NONE;
  std::string data = std::string();
};

// The name a file is moved aside to while something takes its place, and the
// name a replacement is made under before it takes its place: fixed, so that a
// run cut off in between leaves nothing the next run cannot recognise.
std::string AsideName(const std::string& path);
std::string StagedName(const std::string& path);

class WorkList {
 public:
  void Add(WorkItem item) { items_.push_back(std::move(item)); }
  // Whether this step has moved what was at `path` aside.
  bool HasAside(const std::string& path) const;
  // Takes back every change, newest first.
  void Undo(const SetupLog& log);
  // Keeps every change and deletes the old contents set aside; false when one
  // of them could not be deleted (the next run deletes it).
  bool Commit(const SetupLog& log);

 private:
  std::vector<WorkItem> items_;
};
