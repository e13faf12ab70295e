#include "setup/file_move.h"

#include "setup/files.h"
#include "setup/system_paths.h"
#include "setup/text.h"

namespace {

// MoveFileA does not replace: the file at `to` is moved aside first and deleted
// only once `from` has taken its place, or put back when that fails (a file held
// open cannot be renamed there), so that neither file is lost at any moment.
bool MoveOverAside(const std::string& from, const std::string& to) {
  if (!FileExists(from)) return false;
  if (!FileExists(to)) {
    return MoveFileA(from.c_str(), to.c_str()) != FALSE;
  }
  const std::string aside = NewTemporaryFile(FolderOf(to));
  // The name is made as an empty file, which the move would not replace.
  if (aside.empty() || !DeleteFileA(aside.c_str()) || !MoveFileA(to.c_str(), aside.c_str())) {
    return false;
  }
  if (!MoveFileA(from.c_str(), to.c_str())) {
    MoveFileA(aside.c_str(), to.c_str());
    return false;
  }
  DeleteFileA(aside.c_str());
  return true;
}

}  // namespace

bool MoveFileReplacing(const std::string& from, const std::string& to, bool ntFamily,
                       MoveFileExFunction moveFileEx) {
  // The systems refuse to replace a read-only file; Wine run by root would not.
  if (IsReadOnly(to)) return false;
  if (ntFamily) {
    if (moveFileEx(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    if (GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) return false;
  }
  return MoveOverAside(from, to);
}

bool MoveFileReplacing(const std::string& from, const std::string& to) {
  return MoveFileReplacing(from, to, IsNtFamily(), MoveFileExA);
}
