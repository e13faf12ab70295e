#include "setup/files.h"

#include <windows.h>

#include <vector>

#include "setup/scoped.h"

namespace {

// A file that is in use may be released a moment later, as the main program
// does after "/UnregServer": one try and five more, 200 ms apart.
constexpr int kDeleteAttempts = 6;
constexpr DWORD kDeleteRetryPauseMilliseconds = 200;

// Only a file that is there and in use can be released: a missing one, ".",
// "..", a subfolder or a read-only file never deletes, and waiting for each
// would cost a second.
bool MayBeReleased(const std::string& path, DWORD error) {
  if (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED &&
      error != ERROR_LOCK_VIOLATION) {
    return false;
  }
  return IsFile(path) && !IsReadOnly(path);
}

// Whether `path` is there with `attribute` set, or clear.
bool HasAttribute(const std::string& path, DWORD attribute, bool set) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && ((attributes & attribute) != 0) == set;
}

// Whether a deletion that ended with `deletion` left no file behind.
bool IsGone(DWORD deletion) {
  return deletion == ERROR_SUCCESS || deletion == ERROR_FILE_NOT_FOUND ||
         deletion == ERROR_PATH_NOT_FOUND;
}

}  // namespace

bool FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsFile(const std::string& path) { return HasAttribute(path, FILE_ATTRIBUTE_DIRECTORY, false); }

bool IsReadOnly(const std::string& path) { return HasAttribute(path, FILE_ATTRIBUTE_READONLY, true); }

bool ClearReadOnly(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY) == 0 ||
         SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
}

DWORD DeleteWithRetries(const std::string& path) {
  for (int attempt = 0;; ++attempt) {
    if (DeleteFileA(path.c_str())) return ERROR_SUCCESS;
    const DWORD error = GetLastError();
    if (attempt + 1 == kDeleteAttempts || !MayBeReleased(path, error)) return error;
    Sleep(kDeleteRetryPauseMilliseconds);
  }
}

bool DeleteOwnFile(const std::string& path) {
  ClearReadOnly(path);
  return IsGone(DeleteWithRetries(path));
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
  const ScopedFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsValid()) {
    if (GetLastError() == ERROR_FILE_NOT_FOUND) return std::string();
    return std::nullopt;
  }
  const DWORD size = GetFileSize(file.Get(), nullptr);
  if (size == INVALID_FILE_SIZE) return std::nullopt;
  std::string text(size, '\0');
  DWORD done = 0;
  while (done < size) {
    DWORD read = 0;
    if (!ReadFile(file.Get(), &text[done], size - done, &read, nullptr) || read == 0) {
      return std::nullopt;
    }
    done += read;
  }
  return text;
}

ScopedFile OpenToCopy(const std::string& path) {
  return ScopedFile(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
}

namespace {

constexpr DWORD kCompareBlockBytes = 32 * 1024;

// The next block of `file` into `block`; false when it cannot be read.
bool ReadBlock(HANDLE file, std::vector<char>& block) {
  DWORD read = 0;
  block.resize(kCompareBlockBytes);
  if (!ReadFile(file, block.data(), kCompareBlockBytes, &read, nullptr)) return false;
  block.resize(read);
  return true;
}

}  // namespace

bool HaveSameContent(const std::string& a, const std::string& b) {
  // Sizes first, then block by block: a data file may be large.
  const ScopedFile first = OpenToCopy(a);
  const ScopedFile second = OpenToCopy(b);
  if (!first.IsValid() || !second.IsValid() ||
      GetFileSize(first.Get(), nullptr) != GetFileSize(second.Get(), nullptr)) {
    return false;
  }
  std::vector<char> one;
  std::vector<char> other;
  do {
    if (!ReadBlock(first.Get(), one) || !ReadBlock(second.Get(), other) || one != other) {
      return false;
    }
  } while (!one.empty());
  return true;
}

bool IsMissing(const std::string& path) {
  if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return false;
  const DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool IsFolder(const std::string& path) { return HasAttribute(path, FILE_ATTRIBUTE_DIRECTORY, true); }

bool RemoveFolderIfEmpty(const std::string& path) {
  return RemoveDirectoryA(path.c_str()) || GetLastError() == ERROR_DIR_NOT_EMPTY || IsMissing(path);
}
