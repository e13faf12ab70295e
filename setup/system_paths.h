// What the system reports: its family, the Windows and system directories and
// the program's own file. A path that cannot be read or does not fit its buffer
// comes back empty.
#pragma once

#include <windows.h>

#include <string>

// Bytes for a path or a name of up to MAX_PATH characters with its terminating
// zero, in any code page: UTF-8 takes up to three bytes for each UTF-16 unit.
constexpr unsigned long kPathBufferSize = 3 * 260;

// The NT family; otherwise the older one (Windows 95, 98 and Me).
bool IsNtFamily();

// NT 5 and later, where named kernel objects live in a namespace per session and
// "Global\" names the machine's; older systems take no backslash in a name.
bool HasGlobalNamespace();

// The Windows directory, without a trailing backslash (as the system gives it).
std::string WindowsDirectory();

// The system directory, as the system gives it.
std::string SystemDirectory();

// Loads no DLL from the program's folder, the current folder or any other
// folder a user may write: the system folder only where the system can be told
// so, else at least without the current folder. The program's first act.
void RestrictLibrarySearch();

// The DLL `name` from the system folder, by its full path; none when it is not there.
HMODULE LoadSystemLibrary(const char* name);

// The call `name` of `library`, reached by name so that a system that lacks
// it still loads the program; none where it is missing.
template <typename Call>
Call NamedCall(HMODULE library, const char* name) {
  return reinterpret_cast<Call>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

// The same of the loaded system DLL `module`.
template <typename Call>
Call SystemCall(const char* module, const char* name) {
  return NamedCall<Call>(GetModuleHandleA(module), name);
}

// The full path of the running program's file.
std::string OwnModulePath();

// The path a call wrote into a kPathBufferSize buffer, given the length it
// returned; empty when the call failed (0) or the path did not fit.
std::string PathFromBuffer(const char* buffer, unsigned long length);
