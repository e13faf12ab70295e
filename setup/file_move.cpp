#include "setup/file_move.h"

#include "setup/system_paths.h"

namespace {

bool IsReadOnly(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

bool MoveAfterDeletingTarget(const std::string& from, const std::string& to) {
  if (GetFileAttributesA(from.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
  DeleteFileA(to.c_str());
  return MoveFileA(from.c_str(), to.c_str()) != FALSE;
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
  return MoveAfterDeletingTarget(from, to);
}

bool MoveFileReplacing(const std::string& from, const std::string& to) {
  return MoveFileReplacing(from, to, IsNtFamily(), MoveFileExA);
}
