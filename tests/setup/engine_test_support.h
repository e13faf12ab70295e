// Helpers of the engine tests: paths in the build tree, scratch folders and files,
// raw registry access, a redirected registry, and the processes a test starts.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "setup/scoped.h"
#include "setup/setup_context.h"

inline bool operator==(const FileVersion& a, const FileVersion& b) {
  return a.ms == b.ms && a.ls == b.ls;
}
void PrintTo(const FileVersion& version, std::ostream* out);

// A path inside the build tree, in Windows form.
std::string BuildTreePath(const std::string& relative);
// The stand-in main program of one variant ("v3105", "noversion", ...).
std::string StandInPath(const std::string& variant);
// The Windows directory, without a trailing backslash.
std::string WindowsDir();
// Under HKEY_CURRENT_USER: the user's special folders the setup reads.
constexpr const char* kShellFoldersKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// `text` in this process's code page, as the engine's narrow calls take it.
std::string Narrow(const std::wstring& text);

// The file's bytes, or nothing when it cannot be read.
std::optional<std::string> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);
bool PathExists(const std::string& path);

// Polls `done` until it holds or `milliseconds` have passed; true when it held.
bool WaitUntil(const std::function<bool()>& done, DWORD milliseconds);

// A fresh folder under TEMP, removed with its content at the end of the scope.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::string& Path() const { return path_; }  // ends with a backslash
  std::string operator/(const std::string& name) const { return path_ + name; }

 private:
  std::string path_;
};

// Whatever is at `path` now is put back at the end of the scope; a file that was
// not there is removed.
class PreservedFile {
 public:
  explicit PreservedFile(std::string path);
  ~PreservedFile();
  PreservedFile(const PreservedFile&) = delete;
  PreservedFile& operator=(const PreservedFile&) = delete;
  const std::optional<std::string>& Original() const { return original_; }

 private:
  std::string path_;
  std::optional<std::string> original_;
};

// A registry value as the ANSI calls return it.
struct RawValue {
  DWORD type = REG_NONE;
  std::string bytes;
  bool operator==(const RawValue& other) const {
    return type == other.type && bytes == other.bytes;
  }
};
void PrintTo(const RawValue& value, std::ostream* out);

void CreateKey(HKEY root, const std::string& key);
void SetRawValue(HKEY root, const std::string& key, const std::string& name, DWORD type,
                 const std::string& bytes);
// A REG_SZ value with its terminating zero.
void SetStringValue(HKEY root, const std::string& key, const std::string& name,
                    const std::string& text);
std::optional<RawValue> QueryRawValue(HKEY root, const std::string& key, const std::string& name);
bool KeyExists(HKEY root, const std::string& key);

// Redirects HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE and HKEY_CLASSES_ROOT of this
// process into empty subkeys of a fresh scratch key under the real HKCU, and at
// the end of the scope restores the roots and deletes the scratch tree.
class RegistryOverride {
 public:
  RegistryOverride();
  // The redirection into `scratchPath`, made or opened; a child process joins
  // its parent's registry this way.
  explicit RegistryOverride(std::string scratchPath);
  ~RegistryOverride();
  RegistryOverride(const RegistryOverride&) = delete;
  RegistryOverride& operator=(const RegistryOverride&) = delete;
  bool IsActive() const { return active_; }
  const std::string& ScratchPath() const { return scratchPath_; }
  // The scratch key that stands in for `root`.
  HKEY StandInFor(HKEY root) const;

 private:
  std::string scratchPath_;
  ScopedRegKey standIns_[3];
  bool active_ = false;
};

// Every test of this fixture sees an empty registry, and fails when the real one
// gained any of the keys the setup writes.
class RedirectedRegistryTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  void EndOverride() { override_.reset(); }
  HKEY StandInFor(HKEY root) const { return override_->StandInFor(root); }

 private:
  std::optional<RegistryOverride> override_;
};
// The setup's keys found in the real registry (not redirected).
std::vector<std::string> SetupKeysInRealRegistry();

// A process the test started or found; ended at the end of the scope if it still runs.
class OwnedProcess {
 public:
  explicit OwnedProcess(HANDLE process) : process_(process) {}
  ~OwnedProcess();
  OwnedProcess(OwnedProcess&&) = default;
  bool IsValid() const { return process_.IsValid(); }
  bool HasEnded() const;
  // The exit code once the process has ended within `milliseconds`, else STILL_ACTIVE.
  DWORD WaitForExitCode(DWORD milliseconds) const;

 private:
  ScopedHandle process_;
};
OwnedProcess StartProcess(const std::string& path, const std::string& arguments = "");
OwnedProcess OpenProcessById(DWORD id);
// The top-level windows with this title.
size_t CountWindows(const char* title);
// Whether there are `count` of them within `milliseconds`.
bool WaitForWindows(const char* title, size_t count, DWORD milliseconds);

// One start of the stand-in as it records it.
struct StartRecord {
  DWORD processId = 0;
  std::string path;
  std::string arguments;
};

// Points KALQUINT_LOG of this process, and so of the programs it starts, at a
// fresh file for the scope.
class StartLog {
 public:
  StartLog();
  ~StartLog();
  StartLog(const StartLog&) = delete;
  StartLog& operator=(const StartLog&) = delete;
  // The starts recorded so far, after waiting up to `milliseconds` for `count` of them.
  std::vector<StartRecord> WaitForStarts(size_t count, DWORD milliseconds) const;

 private:
  ScratchFolder folder_;
  std::string path_;
};
