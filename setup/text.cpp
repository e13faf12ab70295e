#include "setup/text.h"

#include <cstdarg>

std::string LoadText(StringId id) {
  // The buffer grows until the whole entry fits: LoadStringA truncates silently
  // and reports the truncated length, so a result that fills the buffer may be cut.
  const HINSTANCE module = GetModuleHandleA(nullptr);
  std::string text;
  for (int size = 256;; size += 256) {
    text.resize(size);
    const int length = LoadStringA(module, id, &text[0], size);
    if (length < size - 1) {
      text.resize(length > 0 ? length : 0);
      return text;
    }
  }
}

std::string FormatText(const char* format, ...) {
  char buffer[1025];  // wvsprintfA never writes more than 1024 characters
  va_list args;
  va_start(args, format);
  const int length = wvsprintfA(buffer, format, args);
  va_end(args);
  return std::string(buffer, length > 0 ? length : 0);
}

std::string FolderOf(const std::string& path) {
  const std::string::size_type slash = path.rfind('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string NewTemporaryFile(const std::string& folder) {
  char path[MAX_PATH];
  return GetTempFileNameA(folder.c_str(), "kq", 0, path) ? std::string(path) : std::string();
}

std::string WithTrailingBackslash(const std::string& folder) {
  if (!folder.empty() && folder.back() == '\\') return folder;
  return folder + '\\';
}
