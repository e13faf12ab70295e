// The machine as the fault tests compare it, whole: every file and folder under
// a root (links read back as their target and arguments), every key and value
// of the registry roots, and the uninstaller copy.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

// One entry per file, folder, link, key and value, keyed by what it is and where.
using MachineState = std::map<std::string, std::string>;

// The files and folders below `root` (ending with a backslash), keyed under
// `label` by their path relative to it in lower case.
void AddFolderState(const std::string& root, const std::string& label, MachineState& state);
// Every key and value below `key` of `root`, keyed under `label`. The entry's
// "InstallDate" counts only as there: two runs need not share a day.
void AddRegistryState(HKEY root, const std::string& key, const std::string& label,
                      MachineState& state);
// One value of a key that holds others too.
void AddValueState(HKEY root, const std::string& key, const std::string& name,
                   const std::string& label, MachineState& state);
// One file's bytes, or its absence.
void AddFileState(const std::string& path, const std::string& label, MachineState& state);
// The same, with what a run cut off may have left beside the file under its
// name with an ending added ("<path>.*": a copy set aside or staged).
void AddFileAndLeftoversState(const std::string& path, const std::string& label,
                              MachineState& state);

// The entries that differ, at most `limit` of them, one a line.
std::string Differences(const MachineState& expected, const MachineState& actual, size_t limit = 6);

// The entries of `actual` held neither as `before` nor as `after` holds them
// (what a failed run left that neither the machine it found nor the fault-free
// walk's end has: a piece of a file, a file or folder of its own), one a line.
std::string LeftBehind(const MachineState& before, const MachineState& after,
                       const MachineState& actual);
