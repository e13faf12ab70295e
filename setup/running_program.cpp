// Closing the running main program before its files are replaced or deleted.
#include "setup/setup_context.h"

namespace {

// A program that ignores the close request must not hold the setup for ever;
// after this the page says so and changes nothing.
constexpr DWORD kCloseWaitMilliseconds = 30000;
constexpr DWORD kWindowPollMilliseconds = 100;

HWND FindMainWindow() {
  const HWND window = FindWindowA(nullptr, LoadText(IDS_MAIN_WINDOW_TITLE).c_str());
  return window != nullptr ? window : FindWindowA(nullptr, "ATL/WTL K!Q");
}

}  // namespace

bool SetupContext::CloseRunningProgram() const {
  const HWND window = FindMainWindow();
  if (window == nullptr) return true;
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  // Opened before the close request, so the process cannot end and its id be
  // reused in between.
  const ScopedHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
  PostMessageA(window, WM_CLOSE, 0, 0);
  if (process.IsValid()) {
    return WaitForSingleObject(process.Get(), kCloseWaitMilliseconds) == WAIT_OBJECT_0;
  }
  // A process the user may not open: only its window can tell that it closed.
  for (DWORD waited = 0; waited < kCloseWaitMilliseconds; waited += kWindowPollMilliseconds) {
    if (!IsWindow(window)) return true;
    Sleep(kWindowPollMilliseconds);
  }
  return !IsWindow(window);
}
