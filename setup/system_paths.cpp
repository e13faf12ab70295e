#include "setup/system_paths.h"

#include <windows.h>

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
