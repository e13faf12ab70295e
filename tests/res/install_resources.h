// Read-only access to the resources of the built install.exe, loaded as a data
// file so that none of its code runs.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "setup/scoped.h"

constexpr WORD kRussianLanguage = MAKELANGID(LANG_RUSSIAN, SUBLANG_RUSSIAN_RUSSIA);  // 1049

// Full Windows path of the shipped build's <build>/bin/install.exe.
std::wstring ShippedInstallExePath();

// install.exe, loaded once for the whole test run.
HMODULE InstallModule();

// The bytes of one Russian resource; empty when there is none. `type` is one of
// the RT_* ids of this narrow build.
std::vector<BYTE> ResourceBytes(LPCSTR type, WORD id);

// "#<number>" for an integer resource type or name, the name itself otherwise.
std::wstring ResourceLabel(LPCWSTR typeOrName);
// The same for an integer id made with MAKEINTRESOURCE (RT_* included).
std::wstring ResourceLabel(LPCSTR id);

struct ResourceEntry {
  std::wstring type;
  std::wstring name;
  WORD language;
};

// Every resource of install.exe, in every language.
std::vector<ResourceEntry> ListResources();

// The names of all resources of `type`, as labels.
std::vector<std::wstring> ResourceNames(LPCSTR type);
