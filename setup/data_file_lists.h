// The three lists of the user's data files in the settings key (dates, events,
// runs), and their conversion from the older value naming to the current one.
#pragma once

#include "setup/setup_context.h"

struct DataFileKind {
  StringId newName;    // "DatesFile%03d": entry n with at least three digits
  StringId oldName;    // "DatesFile%d": the older naming
  StringId countName;  // "NumberOfDatesFiles": entries of the older list
  StringId fileName;   // "dates.txt": the file the installation brings
};

// In the order dates, events, runs.
extern const DataFileKind kDataFileKinds[3];

// Value name of entry `number` of a list, from its pattern.
std::string DataFileValueName(StringId pattern, int number);

// Copies each older-named entry n to its current name, unless a current-named
// entry 1 of any kind exists already. Older values and counts stay. False when
// a value could not be written.
bool ConvertDataFileLists(SetupContext& context);
