// What the planted marker DLL (tests/e2e/planted_marker.cpp) and the tests that
// read its log agree on.
#pragma once

#include <windows.h>

// The exit code of a process that a planted DLL ended.
constexpr UINT kPlantedDllExitCode = 86;
// The variable that names the marker's log, a file its entry point appends to.
constexpr wchar_t kPlantedLogVariable[] = L"KALQUINT_PLANTED_LOG";
