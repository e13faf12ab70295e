// Deleting the uninstaller's own file at the next restart, and a reinstall's
// cancelling of that.
#include "setup/restart_deletion.h"
#include "setup/setup_context.h"
#include "setup/shared_folder.h"
#include "setup/system_paths.h"

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
