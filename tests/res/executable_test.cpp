// install.exe itself: a 32-bit GUI program that needs nothing beyond the
// system's own DLLs (the C++ runtime is linked in), and from them only the
// functions listed here.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <utility>

#include "tests/faults/fault_seam.h"
#include "tests/res/byte_reader.h"
#include "tests/res/install_resources.h"

namespace {

std::vector<BYTE> ReadWholeFile(const std::wstring& path) {
  const ScopedFile file(
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file.IsValid()) return {};
  std::vector<BYTE> bytes(GetFileSize(file.Get(), nullptr));
  DWORD read = 0;
  if (!ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr))
    return {};
  bytes.resize(read);
  return bytes;
}

// Copies a header structure out of the image; false when the image is too short.
template <typename Header>
bool ReadHeader(const std::vector<BYTE>& image, size_t offset, Header& header) {
  if (offset > image.size() || image.size() - offset < sizeof(Header)) return false;
  std::memcpy(&header, image.data() + offset, sizeof(Header));
  return true;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

class PeImage {
 public:
  explicit PeImage(std::vector<BYTE> bytes) : bytes_(std::move(bytes)) {
    IMAGE_DOS_HEADER dos = {};
    valid_ = ReadHeader(bytes_, 0, dos) && dos.e_magic == IMAGE_DOS_SIGNATURE &&
             ReadHeader(bytes_, dos.e_lfanew, nt_) && nt_.Signature == IMAGE_NT_SIGNATURE;
    sectionsAt_ = dos.e_lfanew + offsetof(IMAGE_NT_HEADERS32, OptionalHeader) +
                  nt_.FileHeader.SizeOfOptionalHeader;
  }

  bool Valid() const { return valid_; }
  const IMAGE_NT_HEADERS32& Headers() const { return nt_; }

  // The functions imported from each DLL, by DLL name in lower case; an import
  // by ordinal shows as "#<ordinal>".
  std::map<std::string, std::set<std::string>> Imports() const {
    std::map<std::string, std::set<std::string>> imports;
    const IMAGE_DATA_DIRECTORY& directory =
        nt_.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    IMAGE_IMPORT_DESCRIPTOR descriptor;
    for (size_t at = FileOffset(directory.VirtualAddress);
         directory.Size && ReadHeader(bytes_, at, descriptor) && descriptor.Name;
         at += sizeof(descriptor)) {
      std::set<std::string>& functions =
          imports[Lower(ByteReader(bytes_, FileOffset(descriptor.Name)).String())];
      const DWORD lookup =
          descriptor.OriginalFirstThunk ? descriptor.OriginalFirstThunk : descriptor.FirstThunk;
      ByteReader thunks(bytes_, FileOffset(lookup));
      for (DWORD thunk = thunks.Dword(); thunk != 0 && !thunks.Overrun(); thunk = thunks.Dword())
        functions.insert(FunctionName(thunk));
    }
    return imports;
  }

 private:
  std::string FunctionName(DWORD thunk) const {
    if (thunk & IMAGE_ORDINAL_FLAG32) return "#" + std::to_string(IMAGE_ORDINAL32(thunk));
    ByteReader entry(bytes_, FileOffset(thunk));
    entry.Skip(sizeof(WORD));  // the loader's hint
    return entry.String();
  }

  // Where the byte at `rva` lies in the file, through the section holding it.
  size_t FileOffset(DWORD rva) const {
    IMAGE_SECTION_HEADER section;
    for (WORD i = 0; i < nt_.FileHeader.NumberOfSections &&
                     ReadHeader(bytes_, sectionsAt_ + i * sizeof(section), section);
         ++i) {
      const DWORD extent = std::max(section.Misc.VirtualSize, section.SizeOfRawData);
      if (rva >= section.VirtualAddress && rva < section.VirtualAddress + extent)
        return rva - section.VirtualAddress + section.PointerToRawData;
    }
    return bytes_.size();
  }

  std::vector<BYTE> bytes_;
  IMAGE_NT_HEADERS32 nt_ = {};
  size_t sectionsAt_ = 0;
  bool valid_ = false;
};

TEST(Executable, IsA32BitGuiProgram) {
  const PeImage image(ReadWholeFile(ShippedInstallExePath()));
  ASSERT_TRUE(image.Valid()) << "install.exe has no PE headers";
  EXPECT_EQ(image.Headers().FileHeader.Machine, IMAGE_FILE_MACHINE_I386) << "machine";
  EXPECT_EQ(image.Headers().OptionalHeader.Magic, IMAGE_NT_OPTIONAL_HDR32_MAGIC)
      << "optional header";
  EXPECT_EQ(image.Headers().OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI) << "subsystem";
  EXPECT_FALSE(image.Headers().FileHeader.Characteristics & IMAGE_FILE_DLL) << "is a DLL";
}

// Every function install.exe imports, by DLL. A new import is a decision: each
// must also be in kWindows95Exports below.
const std::map<std::string, std::set<std::string>> kImports = {
    {"advapi32.dll",
     {"RegCloseKey", "RegCreateKeyExA", "RegDeleteKeyA", "RegDeleteValueA",
      "RegEnumKeyExA", "RegEnumValueA", "RegOpenKeyExA", "RegQueryInfoKeyA", "RegQueryValueExA",
      "RegSetValueExA"}},
    {"comctl32.dll",
     {"ImageList_Create", "ImageList_Destroy", "ImageList_ReplaceIcon", "InitCommonControls"}},
    {"kernel32.dll",
     {"CloseHandle", "CreateDirectoryA", "CreateFileA", "CreateMutexA", "CreateThread",
      "DeleteFileA", "ExitProcess", "ExpandEnvironmentStringsA", "FindClose", "FindFirstFileA", "FindNextFileA", "FreeLibrary", "GetCommandLineA", "GetCurrentProcess", "GetFileAttributesA", "GetFileTime",
      "GetFileSize", "GetFullPathNameA", "GetLastError", "GetLocalTime", "GetLocaleInfoA",
      "GetModuleFileNameA", "GetModuleHandleA",
      "GetProcAddress", "GetProcessHeap", "GetShortPathNameA", "GetSystemDirectoryA",
      "GetTempFileNameA", "GetTickCount", "GetVersionExA", "GetWindowsDirectoryA", "HeapAlloc", "HeapFree",
      "LoadLibraryA", "MoveFileA", "MoveFileExA", "MultiByteToWideChar", "OpenProcess", "ReadFile",
      "ReleaseMutex", "RemoveDirectoryA", "SetFileAttributesA", "SetFilePointer", "SetFileTime", "Sleep",
      "WaitForSingleObject", "WideCharToMultiByte", "WriteFile", "lstrcmpiA", "lstrlenA"}},
    {"gdi32.dll",
     {"CreateCompatibleDC", "DeleteDC", "DeleteObject", "SelectObject", "SetStretchBltMode",
      "StretchBlt"}},
    {"ole32.dll", {"CoCreateInstance", "CoInitialize", "CoUninitialize"}},
    {"oleaut32.dll", {"SysAllocString", "SysFreeString"}},
    {"shell32.dll", {"SHBrowseForFolderA", "SHGetMalloc", "SHGetPathFromIDListA", "ShellExecuteExA"}},
    {"user32.dll",
     {"CharNextA", "CreateWindowExA", "DialogBoxParamA", "DispatchMessageA", "EnableWindow",
      "EndDialog", "FindWindowA", "GetActiveWindow", "GetDlgItem", "GetWindowLongA",
      "GetWindowRect", "GetWindowTextA", "GetWindowTextLengthA", "GetWindowThreadProcessId",
      "IsWindow", "IsDlgButtonChecked", "LoadCursorA", "LoadImageA", "LoadStringA", "MapDialogRect",
      "MessageBoxA", "MsgWaitForMultipleObjects", "PeekMessageA", "PostMessageA", "ScreenToClient",
      "SendMessageA", "SetCursor", "SetDlgItemTextA", "SetWindowLongA", "wvsprintfA"}},
};

// What the first Windows 95 exports, as the platform's documentation of each
// call says: the Win32 SDK help of 1995 ("Win95: Yes"), the MSDN Library of 1998
// ("Requires Windows 95 or later"), the Microsoft Layer for Unicode's lists of
// the calls it maps to their ANSI forms there, and the shell and common-controls
// version notes (4.00 is Windows 95's; none of these calls is marked later).
// The shell's A-suffixed names are those of SHELL32 4.00's export table;
// CoCreateInstance stands on the SDK's shell-link pages, which use it on Windows
// 95; the automation strings on those of OLE Automation, which Windows 95 ships. MoveFileExA is exported there but not implemented (the setup falls back).
// CreateThread wants a place for the thread's id there (the setup gives one),
// and MsgWaitForMultipleObjects knows no QS_RAWINPUT (the setup asks without it).
// GetLocaleInfoA is asked for its text there (LOCALE_RETURN_NUMBER came later),
// and CharNextA steps over the double-byte characters of the system's code page.
// SetStretchBltMode takes HALFTONE on the NT family only; the older one keeps
// its own mode, which for a picture made larger repeats the pixels.
// Not here, because Windows 95 lacks them: GetFileAttributesExA and
// GetLongPathNameA (Windows 98; the latter is loaded at run time),
// InitCommonControlsEx (4.70), and the C runtime DLL, which Windows 95 did not
// ship. A loader refuses an executable that imports anything else.
const std::map<std::string, std::set<std::string>> kWindows95Exports = {
    {"advapi32.dll",
     {"RegCloseKey", "RegCreateKeyExA", "RegDeleteKeyA", "RegDeleteValueA",
      "RegEnumKeyExA", "RegEnumValueA", "RegOpenKeyExA", "RegQueryInfoKeyA", "RegQueryValueExA",
      "RegSetValueExA"}},
    {"comctl32.dll",
     {"ImageList_Create", "ImageList_Destroy", "ImageList_ReplaceIcon", "InitCommonControls"}},
    {"kernel32.dll",
     {"CloseHandle", "CopyFileA", "CreateDirectoryA", "CreateFileA", "CreateMutexA",
      "CreateThread", "DeleteFileA", "ExitProcess", "ExpandEnvironmentStringsA", "FindClose",
      "FindFirstFileA", "FindNextFileA", "FlushFileBuffers", "FreeLibrary", "GetCommandLineA", "GetCurrentProcess", "GetEnvironmentVariableA",
      "GetExitCodeProcess", "GetFileAttributesA", "GetFileSize", "GetFileTime", "GetFullPathNameA",
      "GetLastError", "GetLocalTime", "GetLocaleInfoA", "GetModuleFileNameA", "GetModuleHandleA",
      "GetProcAddress",
      "GetProcessHeap", "GetShortPathNameA", "GetSystemDirectoryA", "GetTempFileNameA",
      "GetTickCount", "GetVersionExA", "GetWindowsDirectoryA", "HeapAlloc", "HeapFree",
      "LoadLibraryA", "MoveFileA", "MoveFileExA", "MultiByteToWideChar", "OpenProcess",
      "ReadFile", "ReleaseMutex", "RemoveDirectoryA", "SetFileAttributesA", "SetFilePointer", "SetFileTime",
      "Sleep", "WaitForMultipleObjects", "WaitForSingleObject", "WideCharToMultiByte",
      "WriteFile", "lstrcmpiA", "lstrcpyA", "lstrcpynA", "lstrlenA"}},
    {"gdi32.dll",
     {"CreateCompatibleDC", "DeleteDC", "DeleteObject", "SelectObject", "SetStretchBltMode",
      "StretchBlt"}},
    {"ole32.dll", {"CoCreateInstance", "CoInitialize", "CoUninitialize"}},
    {"oleaut32.dll", {"SysAllocString", "SysFreeString"}},
    {"shell32.dll",
     {"SHBrowseForFolderA", "SHGetMalloc", "SHGetPathFromIDListA", "ShellExecuteA",
      "ShellExecuteExA"}},
    {"user32.dll",
     {"CharLowerA", "CharNextA", "CreateWindowExA", "DialogBoxParamA", "DispatchMessageA",
      "EnableWindow", "EndDialog", "FindWindowA", "FindWindowExA", "GetActiveWindow", "GetDlgItem",
      "GetWindowLongA", "GetWindowRect", "GetWindowTextA", "GetWindowTextLengthA",
      "GetWindowThreadProcessId", "IsDlgButtonChecked", "IsWindow", "LoadCursorA", "LoadIconA",
      "LoadImageA", "LoadStringA", "MapDialogRect", "MessageBoxA", "MsgWaitForMultipleObjects", "PeekMessageA", "PostMessageA",
      "ScreenToClient", "SendMessageA", "SetCursor", "SetDlgItemTextA", "SetWindowLongA",
      "wsprintfA", "wvsprintfA"}},
    {"version.dll", {"GetFileVersionInfoA", "GetFileVersionInfoSizeA", "VerQueryValueA"}},
};

// Each import as "dll!function".
std::set<std::string> Qualified(const std::map<std::string, std::set<std::string>>& imports) {
  std::set<std::string> names;
  for (const auto& [dll, functions] : imports)
    for (const std::string& function : functions) names.insert(dll + "!" + function);
  return names;
}

// The names in `left` that `right` lacks, space-separated.
std::string Missing(const std::set<std::string>& left, const std::set<std::string>& right) {
  std::string names;
  for (const std::string& name : left)
    if (!right.count(name)) names += " " + name;
  return names;
}

TEST(Executable, ImportsTheListedFunctionsOnly) {
  const PeImage image(ReadWholeFile(ShippedInstallExePath()));
  ASSERT_TRUE(image.Valid()) << "install.exe has no PE headers";
  const std::set<std::string> imported = Qualified(image.Imports());
  const std::set<std::string> listed = Qualified(kImports);
  EXPECT_FALSE(imported.empty()) << "no import directory";
  EXPECT_EQ(Missing(imported, listed), "") << "imported, not listed";
  EXPECT_EQ(Missing(listed, imported), "") << "listed, no longer imported";
}

TEST(Executable, ImportsNothingThatWindows95Lacks) {
  const PeImage image(ReadWholeFile(ShippedInstallExePath()));
  ASSERT_TRUE(image.Valid()) << "install.exe has no PE headers";
  EXPECT_EQ(Missing(Qualified(image.Imports()), Qualified(kWindows95Exports)), "");
}

// An import is looked for beside the program before the system folder unless
// the system lists its DLL among the known DLLs, which load from the system
// folder only; the common controls come through the manifest's dependency.
// Beside a downloaded setup that runs as administrator, anything else could be
// a planted DLL that runs before the first page.
TEST(Executable, ImportsOnlyKnownDlls) {
  const PeImage image(ReadWholeFile(ShippedInstallExePath()));
  ASSERT_TRUE(image.Valid()) << "install.exe has no PE headers";
  const std::set<std::string> known = {"advapi32.dll", "comctl32.dll", "gdi32.dll",
                                       "kernel32.dll", "ole32.dll",    "oleaut32.dll",
                                       "shell32.dll",  "user32.dll"};
  std::string others;
  for (const auto& [dll, functions] : image.Imports())
    if (!known.count(dll)) others += " " + dll;
  EXPECT_EQ(others, "");
}

// The imports through which install.exe changes nothing that outlasts its run
// ("dll!*": all of that DLL's). Every other import must be one the failure
// seam takes over (tests/faults/fault_seam.cpp), so that a new call that
// changes the machine is failed in turn by the harness, or is named here.
const std::set<std::string> kChangesNothing = {
    // windows and pictures
    "comctl32.dll!*", "gdi32.dll!*", "user32.dll!*",
    // the registry read
    "advapi32.dll!RegCloseKey", "advapi32.dll!RegEnumKeyExA", "advapi32.dll!RegEnumValueA",
    "advapi32.dll!RegOpenKeyExA", "advapi32.dll!RegQueryInfoKeyA",
    "advapi32.dll!RegQueryValueExA",
    // COM on the calling thread and its strings; the folder picker
    "ole32.dll!CoInitialize", "ole32.dll!CoUninitialize", "oleaut32.dll!*", "shell32.dll!SHBrowseForFolderA",
    "shell32.dll!SHGetMalloc", "shell32.dll!SHGetPathFromIDListA",
    // files read and handles closed; a file's position
    "kernel32.dll!CloseHandle", "kernel32.dll!FindClose", "kernel32.dll!FindNextFileA",
    "kernel32.dll!GetFileSize", "kernel32.dll!GetFileTime", "kernel32.dll!ReadFile",
    "kernel32.dll!SetFilePointer",
    // the time of writing of a copy the setup has just made and recorded
    "kernel32.dll!SetFileTime",
    // the system folder's version calls, and the DLL search of this process
    "kernel32.dll!FreeLibrary", "kernel32.dll!LoadLibraryA", "kernel32.dll!GetCurrentProcess",
    // paths, names and the system asked
    "kernel32.dll!ExpandEnvironmentStringsA", "kernel32.dll!GetCommandLineA",
    "kernel32.dll!GetFullPathNameA", "kernel32.dll!GetLastError", "kernel32.dll!GetLocalTime",
    "kernel32.dll!GetLocaleInfoA", "kernel32.dll!GetModuleHandleA",
    "kernel32.dll!GetShortPathNameA", "kernel32.dll!GetSystemDirectoryA",
    "kernel32.dll!GetTickCount", "kernel32.dll!GetVersionExA", "kernel32.dll!GetWindowsDirectoryA",
    "kernel32.dll!MultiByteToWideChar", "kernel32.dll!WideCharToMultiByte",
    "kernel32.dll!lstrcmpiA", "kernel32.dll!lstrlenA",
    // the process itself: memory, threads, the one-run lock, waiting for the program
    "kernel32.dll!CreateMutexA", "kernel32.dll!CreateThread", "kernel32.dll!ExitProcess",
    "kernel32.dll!GetProcessHeap", "kernel32.dll!HeapAlloc", "kernel32.dll!HeapFree",
    "kernel32.dll!OpenProcess", "kernel32.dll!ReleaseMutex", "kernel32.dll!Sleep",
    "kernel32.dll!WaitForSingleObject",
};

bool ChangesNothing(const std::string& dll, const std::string& function) {
  return kChangesNothing.count(dll + "!*") > 0 || kChangesNothing.count(dll + "!" + function) > 0;
}

TEST(Executable, EveryCallThatChangesTheMachineIsTakenOverByTheFailureSeam) {
  const PeImage image(ReadWholeFile(ShippedInstallExePath()));
  ASSERT_TRUE(image.Valid()) << "install.exe has no PE headers";
  std::string neither, both;
  for (const auto& [dll, functions] : image.Imports()) {
    for (const std::string& function : functions) {
      const bool takenOver = SeamTakesOver(function.c_str());
      if (!takenOver && !ChangesNothing(dll, function)) neither += " " + dll + "!" + function;
      if (takenOver && ChangesNothing(dll, function)) both += " " + dll + "!" + function;
    }
  }
  EXPECT_EQ(neither, "") << "change the machine, but the failure seam does not take them over";
  EXPECT_EQ(both, "") << "taken over by the seam, yet listed as changing nothing";
}

// The mnemonics of the disassembly that the build writes beside install.exe,
// one per instruction.
std::vector<std::string> Mnemonics() {
  std::ifstream listing(TEST_SHIPPED_DIR "/bin/install.dis");
  std::vector<std::string> mnemonics;
  for (std::string line; std::getline(listing, line);) {
    // "  401000:\tmov    $0x1,%eax"
    const std::string::size_type tab = line.find(":\t");
    if (tab == std::string::npos) continue;
    const std::string::size_type start = tab + 2;
    mnemonics.push_back(line.substr(start, line.find(' ', start) - start));
  }
  return mnemonics;
}

// The Pentium and Pentium MMX of most machines of the older family fault on the
// Pentium Pro's additions: the conditional moves and the compares that set the
// flags. Library code linked in later must not bring one back either.
TEST(Executable, HoldsNoInstructionThePentiumLacks) {
  const std::vector<std::string> mnemonics = Mnemonics();
  ASSERT_GT(mnemonics.size(), 1000u) << "no disassembly of install.exe";
  std::map<std::string, int> found;
  for (const std::string& mnemonic : mnemonics) {
    for (const char* prefix : {"cmov", "fcmov", "fcomi", "fucomi"}) {
      if (mnemonic.rfind(prefix, 0) == 0) ++found[mnemonic];
    }
  }
  EXPECT_TRUE(found.empty()) << found.size() << " kinds, the first " << found.begin()->first;
}

}  // namespace
