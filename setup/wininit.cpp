// The older family's list of file operations for the next start, WININIT.INI.
#include "setup/wininit.h"

#include <optional>

#include "setup/file_move.h"
#include "setup/files.h"
#include "setup/setup_context.h"
#include "setup/shared_folder.h"
#include "setup/system_paths.h"

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

}  // namespace

std::string WininitPath() {
  const std::string windows = WindowsDirectory();
  return windows.empty() ? std::string() : windows + "\\" + LoadText(IDS_WININIT_FILE);
}

bool CancelWininitDeletion(const std::string& path) {
  const std::string file = WininitPath();
  if (file.empty()) return false;
  const std::optional<std::string> text = ReadWholeFile(file);
  if (!text) return false;
  const std::string kept = RemoveDeleteEntries(*text, path);
  return kept != *text && ReplaceFileText(file, kept);
}

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
