// What the setup changes on the machine, read before and after a wizard: the
// files of the install folder and the uninstaller copy, the setup's registry
// values, and the links in the program group, startup and desktop folders.
#pragma once

#include <map>
#include <string>
#include <vector>

// "file <path>", "HKCU\<key>\<value name>" or "link <path>", each with what it
// holds (size and version, data, target and arguments).
using MachineSnapshot = std::map<std::wstring, std::wstring>;

MachineSnapshot TakeSnapshot(const std::wstring& installFolder);

// "+ added = ...", "- removed = ..." and "~ changed: before -> after", in UTF-8.
std::vector<std::string> Differences(const MachineSnapshot& before, const MachineSnapshot& after);

// ClearSetupState, and what an interrupted earlier run may have left: a running
// stand-in, the links and the files of the install folder.
void ClearSetupLeftovers(const std::wstring& installFolder);

// The folder the path page proposes: the program-files folder + "\KALENDRO".
std::wstring ProposedInstallFolder();
