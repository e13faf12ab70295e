// Files read and written whole, as bytes, and the entries of folders.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

// The version resource of a file: its fixed file version, and the texts of its
// Russian string table by name; empty where there are none.
class VersionBlock {
 public:
  explicit VersionBlock(const std::wstring& path);
  unsigned long long FileVersion() const;
  std::wstring Text(const std::wstring& name) const;

 private:
  std::vector<unsigned char> block_;
};

// The whole file; nullopt when it cannot be read.
std::optional<std::string> ReadFileBytes(const std::wstring& path);
// Replaces the file with `bytes`; throws DriverError on failure.
void WriteFileBytes(const std::wstring& path, const std::string& bytes);
// The same for a path in this process's code page, as the engine names files.
std::optional<std::string> ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);

// Names of the entries directly in `folder`, as stored, sorted; "." and ".." left out.
std::vector<std::wstring> FolderEntries(const std::wstring& folder);
// Every entry of `folder` with its bytes (empty for what cannot be read), to tell
// that nothing in it changed.
std::map<std::wstring, std::string> FolderContents(const std::wstring& folder);

// The Windows directory, without a trailing backslash, and <it>\<name>.
std::wstring WindowsFolder();
std::wstring WindowsFolderFile(const std::wstring& name);
