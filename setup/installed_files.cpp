#include "setup/installed_files.h"

#include "res/resource_ids.h"

const InstalledFile kInstalledFiles[7] = {
    {IDS_FILE_CNT, FileRole::kProgram},          {IDS_FILE_EXE, FileRole::kProgram},
    {IDS_FILE_HLP, FileRole::kProgram},          {IDS_FILE_DATES, FileRole::kReplaceableData},
    {IDS_FILE_EVENTS, FileRole::kData},          {IDS_FILE_RUNS, FileRole::kReplaceableData},
    {IDS_FILE_UPDATE, FileRole::kProgram},
};
