#include "setup/data_file_lists.h"

namespace {

// Counts come from the user's registry; a damaged one must not keep the page
// busy for ever.
constexpr int kMaxConvertedEntries = 1000;

bool AnyCurrentListExists(const SetupContext& context) {
  bool found = false;
  for (const DataFileKind& kind : kDataFileKinds) {
    std::string value;
    found |= context.ReadRegString(HKEY_CURRENT_USER, IDS_SETTINGS_KEY,
                                   DataFileValueName(kind.newName, 1), value);
  }
  return found;
}

int OlderListLength(const SetupContext& context, const DataFileKind& kind) {
  DWORD count = 0;
  if (!context.ReadRegDword(HKEY_CURRENT_USER, IDS_SETTINGS_KEY, LoadText(kind.countName),
                            count)) {
    return 0;
  }
  const int length = static_cast<int>(count);  // stored signed: negative means none
  return length < 0 ? 0 : (length > kMaxConvertedEntries ? kMaxConvertedEntries : length);
}

bool ConvertList(SetupContext& context, const DataFileKind& kind) {
  const int length = OlderListLength(context, kind);
  for (int number = 1; number <= length; ++number) {
    std::string path;
    // A missing entry leaves a gap: entry numbers are kept.
    if (context.ReadRegString(HKEY_CURRENT_USER, IDS_SETTINGS_KEY,
                              DataFileValueName(kind.oldName, number), path) &&
        !context.WriteSettingString(DataFileValueName(kind.newName, number), path)) {
      return false;
    }
  }
  return true;
}

}  // namespace

const DataFileKind kDataFileKinds[3] = {
    {IDS_DATES_FILE_NEW, IDS_DATES_FILE_OLD, IDS_DATES_COUNT, IDS_FILE_DATES},
    {IDS_EVENTS_FILE_NEW, IDS_EVENTS_FILE_OLD, IDS_EVENTS_COUNT, IDS_FILE_EVENTS},
    {IDS_RUNS_FILE_NEW, IDS_RUNS_FILE_OLD, IDS_RUNS_COUNT, IDS_FILE_RUNS},
};

std::string DataFileValueName(StringId pattern, int number) {
  return FormatText(LoadText(pattern).c_str(), number);
}

bool ConvertDataFileLists(SetupContext& context) {
  if (AnyCurrentListExists(context)) return true;
  bool converted = context.OpenSettingsKey();
  for (const DataFileKind& kind : kDataFileKinds) converted = converted && ConvertList(context, kind);
  context.CloseSettingsKey();
  return converted;
}
