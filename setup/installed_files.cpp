#include "setup/installed_files.h"

#include "res/resource_ids.h"

const InstalledFile kInstalledFiles[7] = {
    {IDS_FILE_CNT, FileRole::kProgram},          {IDS_FILE_EXE, FileRole::kProgram},
    {IDS_FILE_HLP, FileRole::kProgram},          {IDS_FILE_DATES, FileRole::kReplaceableData},
    {IDS_FILE_EVENTS, FileRole::kData},          {IDS_FILE_RUNS, FileRole::kReplaceableData},
    {IDS_FILE_UPDATE, FileRole::kProgram},
};

const LinkBox kLinkBoxes[3] = {
    {&InstallOptions::group, &ShortcutFolders::programs, "\\KALENDRO!\\", true, "", IDS_USE_GROUP,
     {{IDS_LINK_PROGRAM, IDS_FILE_EXE}, {IDS_LINK_HELP, IDS_FILE_HLP}}},
    {&InstallOptions::startup, &ShortcutFolders::startup, "\\", false, "/daily", IDS_USE_STARTUP,
     {{IDS_LINK_PROGRAM, IDS_FILE_EXE}, {}}},
    {&InstallOptions::desktop, &ShortcutFolders::desktop, "\\", false, "", IDS_USE_DESKTOP,
     {{IDS_LINK_PROGRAM, IDS_FILE_EXE}, {}}},
};

const OwnedKey kOwnedKeys[7] = {
    {HKEY_CURRENT_USER, IDS_SETTINGS_KEY, IDS_PRODUCT_KEY},
    {HKEY_CURRENT_USER, IDS_PRODUCT_KEY, IDS_PRODUCT_KEY},
    {HKEY_CLASSES_ROOT, IDS_SKIN_EXTENSION_KEY, IDS_SKIN_EXTENSION_KEY},
    {HKEY_CLASSES_ROOT, IDS_SKIN_COMMAND_KEY, IDS_SKIN_TYPE_KEY},
    {HKEY_CLASSES_ROOT, IDS_SKIN_OPEN_KEY, IDS_SKIN_TYPE_KEY},
    {HKEY_CLASSES_ROOT, IDS_SKIN_TYPE_KEY, IDS_SKIN_TYPE_KEY},
    {HKEY_LOCAL_MACHINE, IDS_UNINSTALL_KEY, IDS_UNINSTALL_KEY},
};

int OwnedLevels(const OwnedKey& key) {
  int levels = 1;
  for (const char c : LoadText(key.key)) levels += c == '\\';
  for (const char c : LoadText(key.owned)) levels -= c == '\\';
  return levels;
}

bool IsInstalledFile(const std::string& name, FileRole role) {
  for (const InstalledFile& file : kInstalledFiles) {
    if (file.role == role && lstrcmpiA(name.c_str(), LoadText(file.name).c_str()) == 0) return true;
  }
  return false;
}

bool IsInstalledFileOrBackup(const std::string& name) {
  for (const InstalledFile& file : kInstalledFiles) {
    const std::string installed = LoadText(file.name);
    if (lstrcmpiA(name.c_str(), installed.c_str()) == 0 ||
        lstrcmpiA(name.c_str(), (installed + ".bak").c_str()) == 0) {
      return true;
    }
  }
  return false;
}
