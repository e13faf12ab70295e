#include "setup/setup_log.h"

#include "setup/text.h"

bool SetupLog::Open(const std::string& path) {
  if (path.empty()) return true;
  // Each folder of the path, from the drive's first on; those there already
  // refuse, which is fine. Character by character: a double-byte character may
  // end with the backslash's byte.
  for (const char* at = path.c_str(); *at != '\0'; at = CharNextA(at)) {
    const std::string::size_type length = at - path.c_str();
    if (*at == '\\' && length >= 3) CreateDirectoryA(path.substr(0, length).c_str(), nullptr);
  }
  // Shared for reading, so that an administrator can watch it grow.
  file_.Reset(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file_.IsValid()) SetFilePointer(file_.Get(), 0, nullptr, FILE_END);
  return file_.IsValid();
}

void SetupLog::Write(const char* what, const std::string& subject) const {
  if (!file_.IsValid()) return;
  SYSTEMTIME now;
  GetLocalTime(&now);
  const std::string line =
      FormatText("%04d-%02d-%02d %02d:%02d:%02d ", now.wYear, now.wMonth, now.wDay, now.wHour,
                 now.wMinute, now.wSecond) +
      what + (subject.empty() ? "" : " ") + subject + "\r\n";
  DWORD written = 0;
  WriteFile(file_.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

std::string RegistryPath(HKEY root, const std::string& key) {
  const char* name = root == HKEY_LOCAL_MACHINE  ? "HKEY_LOCAL_MACHINE\\"
                     : root == HKEY_CURRENT_USER ? "HKEY_CURRENT_USER\\"
                                                 : "HKEY_CLASSES_ROOT\\";
  return name + key;
}
