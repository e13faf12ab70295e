// The files an installation consists of, and what each walk does with each.
#pragma once

#include <string>

#include "setup/text.h"

enum class FileRole {
  kProgram,          // replaced by every install and update, removed by every uninstall
  kReplaceableData,  // the user's data; an update replaces it only when asked, keeping a ".bak"
  kData,             // the user's data; no update touches it
};

struct InstalledFile {
  StringId name;
  FileRole role;
};

// In the order the files are copied.
extern const InstalledFile kInstalledFiles[7];

// Whether `name` (a bare name, in any letter case) is one of the installed files
// of `role`.
bool IsInstalledFile(const std::string& name, FileRole role);

// Whether `name` is one of the installed files or the ".bak" copy of one: the
// setup's own files, whatever their role.
bool IsInstalledFileOrBackup(const std::string& name);
