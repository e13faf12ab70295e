#include "setup/installed_files.h"

#include "res/resource_ids.h"

const InstalledFile kInstalledFiles[7] = {
    {IDS_FILE_CNT, FileRole::kProgram},          {IDS_FILE_EXE, FileRole::kProgram},
    {IDS_FILE_HLP, FileRole::kProgram},          {IDS_FILE_DATES, FileRole::kReplaceableData},
    {IDS_FILE_EVENTS, FileRole::kData},          {IDS_FILE_RUNS, FileRole::kReplaceableData},
    {IDS_FILE_UPDATE, FileRole::kProgram},
};

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
