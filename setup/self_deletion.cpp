// Deleting the uninstaller's own file at the next restart, on both families of
// the system.
#include <optional>

#include "setup/file_move.h"
#include "setup/setup_context.h"
#include "setup/shared_folder.h"
#include "setup/system_paths.h"
#include "setup/wininit.h"

namespace {

// The whole file; empty when it does not exist, nothing when it exists but
// cannot be read whole.
std::optional<std::string> ReadWholeFile(const std::string& path) {
  const ScopedFile file(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsValid()) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND) return std::string();
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
  char temporary[MAX_PATH];
  if (!GetTempFileNameA(FolderOf(path).c_str(), "kq", 0, temporary)) return false;
  if (WriteNewFile(temporary, text) && MoveFileReplacing(temporary, path)) return true;
  // Should the old file be gone all the same, the new text holds all of it.
  if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) DeleteFileA(temporary);
  return false;
}

}  // namespace

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

void SetupContext::ScheduleSelfDeletion() const {
  // Only the uninstaller's copy goes: the distribution's setup run in uninstall
  // mode is the user's file.
  const std::string self = OwnModulePath();
  const std::string windows = WindowsDirectory();
  if (self.empty() || windows.empty() ||
      !IsSamePath(self, windows + "\\" + LoadText(IDS_FILE_UNINSTALLER))) {
    return;
  }
  if (IsNtFamily()) {
    MoveFileExA(self.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    return;
  }
  // The older family carries out WININIT.INI before long file names exist.
  const std::string shortSelf = ShortPath(self);
  if (shortSelf.empty()) return;
  AddWininitEntry(windows + "\\" + LoadText(IDS_WININIT_FILE),
                  LoadText(IDS_NUL_ENTRY) + shortSelf);
}
