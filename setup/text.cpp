#include "setup/text.h"

#include <cstdarg>

#include "setup/system_paths.h"

std::string LoadText(StringId id) {
  // The buffer grows until the whole entry fits: LoadStringA cuts silently and
  // reports the cut length.
  const HINSTANCE module = GetModuleHandleA(nullptr);
  std::string text;
  for (int size = 256;; size += 256) {
    text.resize(size);
    const int length = LoadStringA(module, id, &text[0], size);
    if (!MayBeCut(length, size)) {
      text.resize(length > 0 ? length : 0);
      return text;
    }
  }
}

bool MayBeCut(int length, int size) {
  constexpr int kLongestCharacterBytes = 4;
  return length >= size - kLongestCharacterBytes;
}

int CharacterCount(const char* text, int bytes) {
  return MultiByteToWideChar(CP_ACP, 0, text, bytes, nullptr, 0);
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

std::string NewTemporaryFile(const std::string& folder) {
  // Zeroed: the call may fill MAX_PATH bytes with a cut name and no zero.
  char path[kPathBufferSize] = "";
  return GetTempFileNameA(folder.c_str(), "kq", 0, path) ? std::string(path) : std::string();
}

std::string WithTrailingBackslash(const std::string& folder) {
  if (!folder.empty() && folder.back() == '\\') return folder;
  return folder + '\\';
}
