// The path page's browse button and the shell's folder browser it opens.
#pragma once

#include <windows.h>

#include "tests/driver/page.h"
#include "tests/driver/setup_run.h"

// The toolbar of one button that is the path page's browse button.
HWND BrowseToolbar(const Page& path);

// Clicks the browse button in the middle, as the mouse would; returns the
// browser, the setup's dialog besides the path page.
Page OpenFolderBrowser(const SetupRun& run, const Page& path);
