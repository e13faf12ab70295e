// Closing the running main program before its files are replaced or deleted.
#include "setup/setup_context.h"

namespace {

// A program that ignores the close request must not hold the setup for ever;
// after this the page goes on and locked files are passed over.
constexpr DWORD kCloseWaitMilliseconds = 30000;

HWND FindMainWindow() {
  const HWND window = FindWindowA(nullptr, LoadText(IDS_MAIN_WINDOW_TITLE).c_str());
  return window != nullptr ? window : FindWindowA(nullptr, "ATL/WTL K!Q");
}

}  // namespace

void SetupContext::CloseRunningProgram() const {
  const HWND window = FindMainWindow();
  if (window == nullptr) return;
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  // Opened before the close request, so the process cannot end and its id be
  // reused in between.
  const ScopedHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
  PostMessageA(window, WM_CLOSE, 0, 0);
  if (process.IsValid()) WaitForSingleObject(process.Get(), kCloseWaitMilliseconds);
}
