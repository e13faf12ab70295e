#include "setup/system_paths.h"

#include <windows.h>

bool IsNtFamily() {
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof(version);
  return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

std::string WindowsDirectory() {
  char path[MAX_PATH];
  const UINT length = GetWindowsDirectoryA(path, MAX_PATH);
  return std::string(path, length < MAX_PATH ? length : 0);
}

std::string OwnModulePath() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  return std::string(path, length < MAX_PATH ? length : 0);
}
