#include "setup/system_paths.h"

#include <windows.h>

namespace {

// The NT family's major version; 0 on the older family.
DWORD NtMajorVersion() {
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof(version);
  return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT
             ? version.dwMajorVersion
             : 0;
}

}  // namespace

bool IsNtFamily() { return NtMajorVersion() > 0; }

bool HasGlobalNamespace() { return NtMajorVersion() >= 5; }

std::string WindowsDirectory() {
  char path[MAX_PATH];
  return PathFromBuffer(path, GetWindowsDirectoryA(path, MAX_PATH));
}

std::string SystemDirectory() {
  char path[MAX_PATH];
  return PathFromBuffer(path, GetSystemDirectoryA(path, MAX_PATH));
}

std::string OwnModulePath() {
  char path[MAX_PATH];
  return PathFromBuffer(path, GetModuleFileNameA(nullptr, path, MAX_PATH));
}

std::string PathFromBuffer(const char* buffer, unsigned long length) {
  return length > 0 && length < MAX_PATH ? std::string(buffer, length) : std::string();
}
