// DLLs planted where a program may look for them: the test build's marker DLL
// (planted_marker.dll) copied under the names of system DLLs, whose entry point
// appends its own path to a log and ends the process that loaded it, so that
// no caller goes on with a DLL that has none of the real one's calls.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/driver/planted_marker.h"
#include "tests/driver/setup_run.h"
#include "tests/driver/state_guards.h"

// The DLLs the setup and the system DLLs it uses may load, by name without ".dll".
extern const std::vector<std::wstring> kPlantableDlls;

// "version" for "Z:\...\VERSION.dll".
std::wstring DllName(const std::wstring& path);

// While it lives, Wine prefers a DLL of each name from the folders a program
// searches (native first), as Windows does for DLLs that are not known DLLs.
// Wine takes WINEDLLOVERRIDES from the environment it was started with, never
// from the one a Windows program gives the process it starts (measured), so
// the preference goes into Wine's own list of overrides in the registry.
class PlantedDlls {
 public:
  // The marker under each of `names`, in none of the folders yet; its log `log`.
  PlantedDlls(std::vector<std::wstring> names, std::wstring log);

  // Copies the marker into `folder` under each name.
  void PlantInto(const std::wstring& folder);
  // Takes the DLL `name` out of every folder and out of the names.
  void Remove(const std::wstring& name);
  const std::vector<std::wstring>& Names() const { return names_; }

  // For a program started: the marker's log.
  std::vector<EnvironmentVariable> Environment() const;
  // The planted DLLs whose entry point ran since the last ClearLog, by path.
  std::vector<std::wstring> Loaded() const;
  void ClearLog() const;

 private:
  std::vector<std::wstring> names_;
  std::vector<std::wstring> folders_;
  std::wstring log_;
  std::vector<std::unique_ptr<RegValueGuard>> overrides_;
};
