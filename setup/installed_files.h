// The files an installation consists of, and what each walk does with each.
#pragma once

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
