#include "tests/faults/fault_seam.h"

#include <objbase.h>
#include <objidl.h>
#include <shellapi.h>
#include <shlobj.h>

// Plain arrays and Win32 only: the seam is also linked into a test build of the
// setup program, which has no C runtime.
namespace {

struct SeamState {
  bool armed = false;
  FaultMode mode = FaultMode::kCount;
  int at = 0;
  int counted = 0;
  int halfWayCounted = 0;
  HANDLE report = nullptr;  // none; constant, as the seam may be armed by a static constructor
  SeamCall faulted;
  SeamCall last;
  char ownFile[MAX_PATH] = "";
  HANDLE started[64] = {};
  int startedCount = 0;
};
SeamState seam;

// The real functions, taken from the import table before it is patched.
struct RealCalls {
  decltype(&CopyFileA) copyFile;
  decltype(&MoveFileA) moveFile;
  decltype(&MoveFileExA) moveFileEx;
  decltype(&DeleteFileA) deleteFile;
  decltype(&CreateDirectoryA) createDirectory;
  decltype(&RemoveDirectoryA) removeDirectory;
  decltype(&SetFileAttributesA) setFileAttributes;
  decltype(&GetFileAttributesA) getFileAttributes;
  decltype(&CreateFileA) createFile;
  decltype(&WriteFile) writeFile;
  decltype(&GetTempFileNameA) getTempFileName;
  decltype(&FindFirstFileA) findFirstFile;
  decltype(&RegCreateKeyExA) regCreateKeyEx;
  decltype(&RegSetValueExA) regSetValueEx;
  decltype(&RegDeleteKeyA) regDeleteKey;
  decltype(&RegDeleteValueA) regDeleteValue;
  decltype(&ShellExecuteExA) shellExecuteEx;
  decltype(&CoCreateInstance) coCreateInstance;
  decltype(&GetModuleFileNameA) getModuleFileName;
  decltype(&GetProcAddress) getProcAddress;
  decltype(&RegSetValueExW) regSetValueExW;
  HRESULT(STDMETHODCALLTYPE* persistFileSave)(IPersistFile*, LPCOLESTR, BOOL);
};
RealCalls real = {};

void Append(char* text, int size, const char* more) {
  const int length = lstrlenA(text);
  if (more != nullptr && length < size - 1) lstrcpynA(text + length, more, size - length);
}

void WriteReport(const SeamCall& call) {
  if (seam.report == nullptr) return;
  char line[400];
  wsprintfA(line, "%d %s ", call.number, call.call);
  Append(line, sizeof(line), call.subject);
  Append(line, sizeof(line), "\r\n");
  DWORD written = 0;
  real.writeFile(seam.report, line, lstrlenA(line), &written, nullptr);
}

// One call through the seam: true when it is the one that must fail, having
// set the error it gives. A cut-off run ends here, before the call is made.
bool Faults(const char* call, const char* subject, const char* detail, DWORD error) {
  if (!seam.armed) return false;
  SeamCall current;
  current.number = ++seam.counted;
  lstrcpynA(current.call, call, sizeof(current.call));
  Append(current.subject, sizeof(current.subject), subject);
  if (detail != nullptr) {
    Append(current.subject, sizeof(current.subject), " ");
    Append(current.subject, sizeof(current.subject), detail);
  }
  WriteReport(current);
  seam.last = current;
  const bool failsHere = seam.mode == FaultMode::kFail || seam.mode == FaultMode::kCutOff;
  if (current.number != seam.at || !failsHere) return false;
  seam.faulted = current;
  if (seam.mode == FaultMode::kCutOff) TerminateProcess(GetCurrentProcess(), kCutOffExitCode);
  SetLastError(error);
  return true;
}

// After a call that can fail half-way has done part of its work: true when it
// is the one that must now fail, having set "disk full".
bool FailsHalfWay() {
  if (!seam.armed) return false;
  if (++seam.halfWayCounted != seam.at || seam.mode != FaultMode::kHalfWay) return false;
  seam.faulted = seam.last;
  SetLastError(ERROR_DISK_FULL);
  return true;
}

// Half-way, the target holds the first half of the file, as a full disk leaves it.
BOOL WINAPI SeamCopyFile(LPCSTR from, LPCSTR to, BOOL failIfExists) {
  if (Faults("CopyFileA", to, nullptr, ERROR_DISK_FULL)) return FALSE;
  const BOOL copied = real.copyFile(from, to, failIfExists);
  if (!copied) return FALSE;
  const HANDLE file = FailsHalfWay() ? real.createFile(to, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                                       FILE_ATTRIBUTE_NORMAL, nullptr)
                                     : nullptr;
  if (file == nullptr) return TRUE;
  if (file != INVALID_HANDLE_VALUE) {
    SetFilePointer(file, static_cast<LONG>(GetFileSize(file, nullptr) / 2), nullptr, FILE_BEGIN);
    SetEndOfFile(file);
    CloseHandle(file);
  }
  SetLastError(ERROR_DISK_FULL);
  return FALSE;
}

BOOL WINAPI SeamMoveFile(LPCSTR from, LPCSTR to) {
  if (Faults("MoveFileA", from, to, ERROR_ACCESS_DENIED)) return FALSE;
  return real.moveFile(from, to);
}

BOOL WINAPI SeamMoveFileEx(LPCSTR from, LPCSTR to, DWORD flags) {
  if (Faults("MoveFileExA", from, to, ERROR_ACCESS_DENIED)) return FALSE;
  return real.moveFileEx(from, to, flags);
}

BOOL WINAPI SeamDeleteFile(LPCSTR path) {
  if (Faults("DeleteFileA", path, nullptr, ERROR_SHARING_VIOLATION)) return FALSE;
  return real.deleteFile(path);
}

BOOL WINAPI SeamCreateDirectory(LPCSTR path, LPSECURITY_ATTRIBUTES security) {
  if (Faults("CreateDirectoryA", path, nullptr, ERROR_ACCESS_DENIED)) return FALSE;
  return real.createDirectory(path, security);
}

BOOL WINAPI SeamRemoveDirectory(LPCSTR path) {
  if (Faults("RemoveDirectoryA", path, nullptr, ERROR_SHARING_VIOLATION)) return FALSE;
  return real.removeDirectory(path);
}

BOOL WINAPI SeamSetFileAttributes(LPCSTR path, DWORD attributes) {
  if (Faults("SetFileAttributesA", path, nullptr, ERROR_ACCESS_DENIED)) return FALSE;
  return real.setFileAttributes(path, attributes);
}

DWORD WINAPI SeamGetFileAttributes(LPCSTR path) {
  if (Faults("GetFileAttributesA", path, nullptr, ERROR_ACCESS_DENIED)) {
    return INVALID_FILE_ATTRIBUTES;
  }
  return real.getFileAttributes(path);
}

HANDLE WINAPI SeamCreateFile(LPCSTR path, DWORD access, DWORD sharing,
                             LPSECURITY_ATTRIBUTES security, DWORD creation, DWORD flags,
                             HANDLE model) {
  if (Faults("CreateFileA", path, nullptr, ERROR_ACCESS_DENIED)) return INVALID_HANDLE_VALUE;
  return real.createFile(path, access, sharing, security, creation, flags, model);
}

BOOL WINAPI SeamWriteFile(HANDLE file, LPCVOID data, DWORD size, LPDWORD written,
                          LPOVERLAPPED overlapped) {
  if (Faults("WriteFile", "", nullptr, ERROR_DISK_FULL)) return FALSE;
  // Half-way, half the buffer is written before the disk is full.
  const bool halfWay = FailsHalfWay();
  const BOOL done = real.writeFile(file, data, halfWay ? size / 2 : size, written, overlapped);
  if (!halfWay) return done;
  SetLastError(ERROR_DISK_FULL);
  return FALSE;
}

UINT WINAPI SeamGetTempFileName(LPCSTR folder, LPCSTR prefix, UINT unique, LPSTR path) {
  if (Faults("GetTempFileNameA", folder, nullptr, ERROR_ACCESS_DENIED)) return 0;
  return real.getTempFileName(folder, prefix, unique, path);
}

HANDLE WINAPI SeamFindFirstFile(LPCSTR pattern, LPWIN32_FIND_DATAA found) {
  if (Faults("FindFirstFileA", pattern, nullptr, ERROR_ACCESS_DENIED)) {
    return INVALID_HANDLE_VALUE;
  }
  return real.findFirstFile(pattern, found);
}

LONG WINAPI SeamRegCreateKeyEx(HKEY root, LPCSTR path, DWORD reserved, LPSTR keyClass,
                               DWORD options, REGSAM access, LPSECURITY_ATTRIBUTES security,
                               PHKEY key, LPDWORD disposition) {
  if (Faults("RegCreateKeyExA", path, nullptr, 0)) return ERROR_ACCESS_DENIED;
  return real.regCreateKeyEx(root, path, reserved, keyClass, options, access, security, key,
                             disposition);
}

LONG WINAPI SeamRegSetValueEx(HKEY key, LPCSTR name, DWORD reserved, DWORD type,
                              const BYTE* data, DWORD size) {
  if (Faults("RegSetValueExA", name, nullptr, 0)) return ERROR_ACCESS_DENIED;
  return real.regSetValueEx(key, name, reserved, type, data, size);
}

// Reached by name (the older family lacks it), so taken over where it is asked for.
LONG WINAPI SeamRegSetValueExW(HKEY key, LPCWSTR name, DWORD reserved, DWORD type,
                               const BYTE* data, DWORD size) {
  char narrow[MAX_PATH] = "";
  WideCharToMultiByte(CP_ACP, 0, name, -1, narrow, MAX_PATH, nullptr, nullptr);
  if (Faults("RegSetValueExW", narrow, nullptr, 0)) return ERROR_ACCESS_DENIED;
  return real.regSetValueExW(key, name, reserved, type, data, size);
}

FARPROC WINAPI SeamGetProcAddress(HMODULE module, LPCSTR name) {
  const FARPROC found = real.getProcAddress(module, name);
  // A name, not an ordinal, and the one call reached so that changes the machine.
  if (found == nullptr || HIWORD(reinterpret_cast<ULONG_PTR>(name)) == 0 ||
      lstrcmpA(name, "RegSetValueExW") != 0) {
    return found;
  }
  real.regSetValueExW = reinterpret_cast<decltype(real.regSetValueExW)>(
      reinterpret_cast<void*>(found));
  return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&SeamRegSetValueExW));
}

LONG WINAPI SeamRegDeleteKey(HKEY key, LPCSTR path) {
  if (Faults("RegDeleteKeyA", path, nullptr, 0)) return ERROR_ACCESS_DENIED;
  return real.regDeleteKey(key, path);
}

LONG WINAPI SeamRegDeleteValue(HKEY key, LPCSTR name) {
  if (Faults("RegDeleteValueA", name, nullptr, 0)) return ERROR_ACCESS_DENIED;
  return real.regDeleteValue(key, name);
}

BOOL WINAPI SeamShellExecuteEx(SHELLEXECUTEINFOA* info) {
  if (Faults("ShellExecuteExA", info->lpFile, info->lpParameters, ERROR_ACCESS_DENIED)) {
    return FALSE;
  }
  const BOOL done = real.shellExecuteEx(info);
  HANDLE copy = nullptr;
  if (done && info->hProcess != nullptr && seam.startedCount < 64 &&
      DuplicateHandle(GetCurrentProcess(), info->hProcess, GetCurrentProcess(), &copy, SYNCHRONIZE,
                      FALSE, 0)) {
    seam.started[seam.startedCount++] = copy;
  }
  return done;
}

DWORD WINAPI SeamGetModuleFileName(HMODULE module, LPSTR path, DWORD size) {
  if (module != nullptr || seam.ownFile[0] == '\0') return real.getModuleFileName(module, path, size);
  lstrcpynA(path, seam.ownFile, static_cast<int>(size));
  return static_cast<DWORD>(lstrlenA(path));
}

HRESULT STDMETHODCALLTYPE SeamSave(IPersistFile* file, LPCOLESTR path, BOOL remember) {
  char narrow[MAX_PATH] = "";
  WideCharToMultiByte(CP_ACP, 0, path, -1, narrow, MAX_PATH, nullptr, nullptr);
  if (Faults("IPersistFile::Save", narrow, nullptr, 0)) return E_ACCESSDENIED;
  return real.persistFileSave(file, path, remember);
}

void Overwrite(void** slot, void* replacement) {
  DWORD protection = 0;
  VirtualProtect(slot, sizeof(void*), PAGE_READWRITE, &protection);
  *slot = replacement;
  VirtualProtect(slot, sizeof(void*), protection, &protection);
}

// The shell link's IPersistFile::Save is no import: its slot in the object's
// method table (shared by every shell link of the process) is patched instead.
void PatchLinkSave(REFCLSID type, LPVOID* made, HRESULT result) {
  if (real.persistFileSave != nullptr || FAILED(result) || !IsEqualCLSID(type, CLSID_ShellLink)) {
    return;
  }
  IPersistFile* file = nullptr;
  if (FAILED(static_cast<IUnknown*>(*made)->QueryInterface(IID_IPersistFile,
                                                            reinterpret_cast<void**>(&file)))) {
    return;
  }
  void** methods = *reinterpret_cast<void***>(file);
  constexpr int kSaveSlot = 6;  // IUnknown (3), GetClassID, IsDirty, Load, then Save
  real.persistFileSave = reinterpret_cast<decltype(real.persistFileSave)>(methods[kSaveSlot]);
  Overwrite(&methods[kSaveSlot], reinterpret_cast<void*>(&SeamSave));
  file->Release();
}

HRESULT WINAPI SeamCoCreateInstance(REFCLSID type, LPUNKNOWN outer, DWORD context, REFIID id,
                                    LPVOID* made) {
  const HRESULT result = real.coCreateInstance(type, outer, context, id, made);
  PatchLinkSave(type, made, result);
  return result;
}

struct Patch {
  const char* name;
  void* replacement;
  void** real;
};

template <typename Function>
Patch PatchOf(const char* name, Function replacement, Function& saved) {
  return {name, reinterpret_cast<void*>(replacement), reinterpret_cast<void**>(&saved)};
}

// Whether `visit` holds for any call the seam takes over (with what stands in
// for it). The table is made on the stack: the seam may be installed before
// the program's static objects are.
template <typename Visit>
bool AnyPatch(Visit visit) {
  const Patch patches[] = {
      PatchOf("CopyFileA", &SeamCopyFile, real.copyFile),
      PatchOf("MoveFileA", &SeamMoveFile, real.moveFile),
      PatchOf("MoveFileExA", &SeamMoveFileEx, real.moveFileEx),
      PatchOf("DeleteFileA", &SeamDeleteFile, real.deleteFile),
      PatchOf("CreateDirectoryA", &SeamCreateDirectory, real.createDirectory),
      PatchOf("RemoveDirectoryA", &SeamRemoveDirectory, real.removeDirectory),
      PatchOf("SetFileAttributesA", &SeamSetFileAttributes, real.setFileAttributes),
      PatchOf("GetFileAttributesA", &SeamGetFileAttributes, real.getFileAttributes),
      PatchOf("CreateFileA", &SeamCreateFile, real.createFile),
      PatchOf("WriteFile", &SeamWriteFile, real.writeFile),
      PatchOf("GetTempFileNameA", &SeamGetTempFileName, real.getTempFileName),
      PatchOf("FindFirstFileA", &SeamFindFirstFile, real.findFirstFile),
      PatchOf("RegCreateKeyExA", &SeamRegCreateKeyEx, real.regCreateKeyEx),
      PatchOf("RegSetValueExA", &SeamRegSetValueEx, real.regSetValueEx),
      PatchOf("RegDeleteKeyA", &SeamRegDeleteKey, real.regDeleteKey),
      PatchOf("RegDeleteValueA", &SeamRegDeleteValue, real.regDeleteValue),
      PatchOf("ShellExecuteExA", &SeamShellExecuteEx, real.shellExecuteEx),
      PatchOf("CoCreateInstance", &SeamCoCreateInstance, real.coCreateInstance),
      PatchOf("GetModuleFileNameA", &SeamGetModuleFileName, real.getModuleFileName),
      PatchOf("GetProcAddress", &SeamGetProcAddress, real.getProcAddress),
  };
  for (const Patch& patch : patches) {
    if (visit(patch)) return true;
  }
  return false;
}

void PatchImports(HMODULE module) {
  auto* base = reinterpret_cast<BYTE*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& directory =
      headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  for (auto* dll = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
       directory.Size != 0 && dll->Name != 0; ++dll) {
    const DWORD lookup = dll->OriginalFirstThunk != 0 ? dll->OriginalFirstThunk : dll->FirstThunk;
    const auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + lookup);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const auto* imported =
          reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      AnyPatch([&](const Patch& patch) {
        if (lstrcmpA(reinterpret_cast<const char*>(imported->Name), patch.name) != 0) return false;
        *patch.real = reinterpret_cast<void*>(slots->u1.Function);
        Overwrite(reinterpret_cast<void**>(&slots->u1.Function), patch.replacement);
        return true;
      });
    }
  }
}

}  // namespace

void InstallFaultSeam(HMODULE module) {
  static bool installed = false;
  if (installed) return;
  installed = true;
  PatchImports(module);
}

void ArmFaults(FaultMode mode, int at, const char* reportFile) {
  seam.mode = mode;
  seam.at = at;
  seam.counted = 0;
  seam.halfWayCounted = 0;
  seam.faulted = SeamCall();
  if (reportFile != nullptr && real.createFile != nullptr) {
    seam.report = real.createFile(reportFile, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (seam.report == INVALID_HANDLE_VALUE) seam.report = nullptr;
  }
  seam.armed = true;
}

int DisarmFaults() {
  seam.armed = false;
  if (seam.report != nullptr) CloseHandle(seam.report);
  seam.report = nullptr;
  return seam.counted;
}

int HalfWayCallsCounted() { return seam.halfWayCounted; }

const SeamCall& FaultedCall() { return seam.faulted; }

bool SeamTakesOver(const char* name) {
  return AnyPatch([name](const Patch& patch) { return lstrcmpA(patch.name, name) == 0; });
}

void WaitForStartedPrograms() {
  for (int index = 0; index < seam.startedCount; ++index) {
    WaitForSingleObject(seam.started[index], 10000);
    CloseHandle(seam.started[index]);
  }
  seam.startedCount = 0;
}

void PretendOwnFile(const char* path) { lstrcpynA(seam.ownFile, path, MAX_PATH); }
