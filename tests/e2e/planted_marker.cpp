// The DLL that the planted-DLL test puts under the names of system DLLs (see
// tests/driver/planted_dlls.h): whatever loads it, its entry point records its
// own path and ends that process. It imports the kernel alone, whose DLL every
// process has loaded before any other.
#include <windows.h>

#include "setup/scoped.h"
#include "tests/driver/planted_marker.h"

extern "C" BOOL WINAPI PlantedEntry(HINSTANCE self, DWORD reason, LPVOID /*reserved*/) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  wchar_t path[MAX_PATH];
  wchar_t log[MAX_PATH];
  const DWORD pathLength = GetModuleFileNameW(self, path, MAX_PATH);
  const DWORD logLength = GetEnvironmentVariableW(kPlantedLogVariable, log, MAX_PATH);
  if (logLength > 0 && logLength < MAX_PATH) {
    const ScopedFile file(CreateFileW(log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_ALWAYS, 0, nullptr));
    char line[3 * MAX_PATH + 1];
    const int size = WideCharToMultiByte(CP_UTF8, 0, path, static_cast<int>(pathLength), line,
                                         3 * MAX_PATH, nullptr, nullptr);
    line[size] = '\n';
    DWORD written = 0;
    WriteFile(file.Get(), line, static_cast<DWORD>(size) + 1, &written, nullptr);
  }
  TerminateProcess(GetCurrentProcess(), kPlantedDllExitCode);
  return FALSE;
}
