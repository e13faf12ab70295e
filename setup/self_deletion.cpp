// Deleting the uninstaller's own file at the next restart, on both families of
// the system.
#include "setup/setup_context.h"
#include "setup/system_paths.h"
#include "setup/wininit.h"

namespace {

// The whole file, or empty when it cannot be opened: an empty file counts as absent.
std::string ReadWholeFile(const std::string& path) {
  const ScopedFile file(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsValid()) return std::string();
  const DWORD size = GetFileSize(file.Get(), nullptr);
  if (size == INVALID_FILE_SIZE) return std::string();
  std::string text(size, '\0');
  DWORD done = 0;
  while (done < size) {
    DWORD read = 0;
    if (!ReadFile(file.Get(), &text[done], size - done, &read, nullptr) || read == 0) break;
    done += read;
  }
  text.resize(done);
  return text;
}

void WriteWholeFile(const std::string& path, const std::string& text) {
  const ScopedFile file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsValid()) return;
  DWORD written = 0;
  WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
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

void SetupContext::ScheduleSelfDeletion() const {
  const std::string self = OwnModulePath();
  if (IsNtFamily()) {
    MoveFileExA(self.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    return;
  }
  const std::string path = WindowsDirectory() + "\\" + LoadText(IDS_WININIT_FILE);
  WriteWholeFile(path, AddRenameEntry(ReadWholeFile(path), LoadText(IDS_NUL_ENTRY) + self));
}
