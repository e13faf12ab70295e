// Files and folders of a test: the build tree's programs, a temporary folder of
// the test's own, distribution folders with a chosen stand-in, and the start log
// that the stand-in writes.
#pragma once

#include <windows.h>

#include <chrono>
#include <string>
#include <vector>

// Paths in the build tree, with backslashes: <build>, <build>\bin\install.exe,
// <build>\distribution and <build>\standins\<variant>\kalquint.exe.
std::wstring BuildDir();
std::wstring InstallExePath();
std::wstring DistributionDir();
std::wstring StandinPath(const std::wstring& variant);

std::wstring JoinPath(const std::wstring& folder, const std::wstring& name);
bool FileExists(const std::wstring& path);
// `folder` as the engine names folders: in this process's code page, ending
// with a backslash.
std::string NarrowFolder(const std::wstring& folder);
// The short 8.3 form of an existing path, as the older family's WININIT.INI names it.
std::wstring ShortPath(const std::wstring& path);
void CopyFileOrThrow(const std::wstring& from, const std::wstring& to);

// What Wine's own calls cannot make, made on the host through its programs,
// which Wine starts like any other: a symbolic link `link` to the folder
// `target` (Wine shows it as a reparse point), and a folder every user may
// change (its host mode 0777, shown as a grant to Everyone).
void MakeHostLink(const std::wstring& link, const std::wstring& target);
void OpenToEveryone(const std::wstring& folder);

// A fresh folder under the Wine user's temp folder, removed with all it holds.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::wstring& Path() const { return path_; }
  std::wstring File(const std::wstring& name) const { return JoinPath(path_, name); }
  // A new subfolder `name`; returns its path.
  std::wstring MakeFolder(const std::wstring& name) const;

 private:
  std::wstring path_;
};

// The variant name that leaves kalquint.exe out of a distribution.
extern const wchar_t kNoProgram[];

// Fills `folder` with the build's distribution, its kalquint.exe replaced by the
// stand-in `variant` (v3105, v65535, noversion, ... or kNoProgram). Returns the
// path of the folder's install.exe.
std::wstring MakeDistribution(const std::wstring& folder, const std::wstring& variant);

// One start of the stand-in, as its log records it:
// "<pid>|<parent pid>|<creation time>|<own path>|<current folder>|<arguments>".
struct StartRecord {
  DWORD processId = 0;
  DWORD parentId = 0;
  unsigned long long created = 0;  // file-time ticks
  std::wstring program;
  std::wstring folder;
  std::wstring arguments;
};

// The starts recorded in `path`, oldest first; none when the file is missing.
std::vector<StartRecord> ReadStartLog(const std::wstring& path);

// Points KALQUINT_LOG of this process, and so of the programs it starts, at a
// fresh file for the scope.
class ScopedStartLog {
 public:
  ScopedStartLog();
  ~ScopedStartLog();
  ScopedStartLog(const ScopedStartLog&) = delete;
  ScopedStartLog& operator=(const ScopedStartLog&) = delete;
  // The starts recorded so far, after waiting up to `timeout` for `count` of them.
  std::vector<StartRecord> WaitForStarts(size_t count, std::chrono::milliseconds timeout) const;

 private:
  TempFolder folder_;
  std::wstring path_;
};
