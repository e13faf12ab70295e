// The wizards walked as a user clicks them, shared by the demo and the benchmark.
// Each walk starts the setup, works every page it reaches and waits for its end;
// the caller sees each page as soon as it is shown, and again once the walk has
// set its boxes, just before its button is pressed.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "tests/driver/wizard_driver.h"

struct ShownPage {
  const SetupRun& run;
  const char* name;  // "welcome", "path", ..., "uninstall-done", "message-box"
  const Page& page;
  // From the start of the setup, or from the press of the previous page's button.
  double seconds;
};

struct WalkOptions {
  std::vector<EnvironmentVariable> environment;
  std::wstring installFolder;  // typed on the path page; empty keeps the proposed one
  bool tickOptions = true;     // the four boxes of the options page
  std::function<void(const ShownPage&)> seen = [](const ShownPage&) {};
  // The page again, its boxes set, before its button is pressed (`seconds` as for `seen`).
  std::function<void(const ShownPage&)> ready = [](const ShownPage&) {};
  // Called as soon as a button of the page `name` has been pressed, before the
  // walk looks for what follows (and so with no polling of the setup's windows).
  std::function<void(const SetupRun& run, const char* name)> pressed = [](const SetupRun&,
                                                                          const char*) {};
};

// An uninstall-mode start with nothing installed: the message box, then OK.
void WalkPathNotFound(const std::wstring& setupExe, const WalkOptions& options);
// Welcome, path, options and the finish page, whose boxes stay unticked.
void WalkInstall(const std::wstring& setupExe, const WalkOptions& options);
// Welcome and path, Back to the welcome page and Exit: nothing installed.
void WalkToPathAndBack(const std::wstring& setupExe, const WalkOptions& options);
// Welcome, the update page with both backup boxes ticked, and its finish page.
void WalkUpdate(const std::wstring& setupExe, const WalkOptions& options);
// The uninstall page with "delete all files" ticked, and its finish page.
void WalkUninstall(const std::wstring& uninstallerExe, const WalkOptions& options);
