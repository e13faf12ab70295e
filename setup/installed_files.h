// The files, links and registry keys an installation consists of, and what
// each walk does with each: one table for each kind of thing.
#pragma once

#include <string>

#include "setup/setup_context.h"

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

// The options page's boxes.
struct InstallOptions {
  bool desktop = false;
  bool associate = false;
  bool startup = false;
  bool group = false;
  bool allUsers = false;  // the links in the machine's all-users folders
};

// The links one box of the options page asks for, in one folder `below` a
// special folder: the program group's, which the install makes and the
// uninstall removes once empty (`ownFolder`), or "\\" for the special folder.
struct LinkBox {
  bool InstallOptions::*option;
  StringId ShortcutFolders::*folder;
  const char* below;
  bool ownFolder;
  const char* arguments;
  StringId flag;  // the setting that records the box
  struct {
    StringId name;    // 0 for none
    StringId target;  // an installed file
  } links[2];
};
// In the order they are made and deleted.
extern const LinkBox kLinkBoxes[3];

// A registry key the setup writes, owned from `key` up to `owned`, itself or
// its ancestor that is the setup's alone. In the order the uninstall deletes
// them: a chain is walked again from the levels above its first, as a run cut
// off inside one leaves its lower levels gone, where a walk stops; the
// uninstall entry last, as it leads a run cut off before it back here.
struct OwnedKey {
  HKEY root;
  StringId key;
  StringId owned;
};
extern const OwnedKey kOwnedKeys[7];
// How many levels of `key`, from the bottom, are the setup's.
int OwnedLevels(const OwnedKey& key);
