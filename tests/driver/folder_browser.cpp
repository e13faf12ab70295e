#include "tests/driver/folder_browser.h"

#include "tests/driver/driver_common.h"
#include "tests/driver/window_query.h"

HWND BrowseToolbar(const Page& path) {
  for (HWND child = GetWindow(path.Window(), GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    if (WindowClass(child) == L"ToolbarWindow32") return child;
  }
  throw DriverError("the path page has no toolbar");
}

Page OpenFolderBrowser(const SetupRun& run, const Page& path) {
  const HWND toolbar = BrowseToolbar(path);
  RECT area = {};
  GetClientRect(toolbar, &area);
  const LPARAM middle = MAKELPARAM(area.right / 2, area.bottom / 2);
  PostMessageW(toolbar, WM_LBUTTONDOWN, MK_LBUTTON, middle);
  PostMessageW(toolbar, WM_LBUTTONUP, 0, middle);
  HWND browser = nullptr;
  WaitUntil(
      [&] {
        for (HWND window : run.TopLevelWindows()) {
          if (window != path.Window() && WindowClass(window) == L"#32770") browser = window;
        }
        return browser != nullptr;
      },
      kPageTimeout);
  if (browser == nullptr) {
    throw DriverError("no folder browser; the setup shows " +
                      DescribeWindows(run.TopLevelWindows()));
  }
  return Page(browser);
}
