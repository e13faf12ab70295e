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
  char path[kPathBufferSize];
  return PathFromBuffer(path, GetWindowsDirectoryA(path, kPathBufferSize));
}

std::string SystemDirectory() {
  char path[kPathBufferSize];
  return PathFromBuffer(path, GetSystemDirectoryA(path, kPathBufferSize));
}

void RestrictLibrarySearch() {
  const auto restrictToSystem =
      SystemCall<BOOL(WINAPI*)(DWORD)>("kernel32.dll", "SetDefaultDllDirectories");
  if (restrictToSystem != nullptr && restrictToSystem(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
  const auto setSearchFolder = SystemCall<BOOL(WINAPI*)(LPCSTR)>("kernel32.dll", "SetDllDirectoryA");
  if (setSearchFolder != nullptr) setSearchFolder("");
}

HMODULE LoadSystemLibrary(const char* name) {
  const std::string system = SystemDirectory();
  return system.empty() ? nullptr : LoadLibraryA((system + "\\" + name).c_str());
}

std::string OwnModulePath() {
  char path[kPathBufferSize];
  return PathFromBuffer(path, GetModuleFileNameA(nullptr, path, kPathBufferSize));
}

std::string PathFromBuffer(const char* buffer, unsigned long length) {
  return length > 0 && length < kPathBufferSize ? std::string(buffer, length) : std::string();
}
