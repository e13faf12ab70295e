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

// Asks one window to close and waits, at most `bound` milliseconds, until its
// process has ended.
bool CloseAndWait(HWND window, DWORD bound) {
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  // Opened before the close request, so the process cannot end and its id be
  // reused in between.
  const ScopedHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
  PostMessageA(window, WM_CLOSE, 0, 0);
  if (process.IsValid()) return WaitForSingleObject(process.Get(), bound) == WAIT_OBJECT_0;
  // A process the user may not open: only its window can tell that it closed.
  for (DWORD waited = 0; waited < bound; waited += kWindowPollMilliseconds) {
    if (!IsWindow(window)) return true;
    Sleep(kWindowPollMilliseconds);
  }
  return !IsWindow(window);
}

}  // namespace

// Every copy of the program: a second one would keep the files locked. The
// bound is for all of them together.
bool SetupContext::CloseRunningProgram() const {
  const DWORD start = GetTickCount();
  for (HWND window = FindMainWindow(); window != nullptr; window = FindMainWindow()) {
    const DWORD waited = GetTickCount() - start;
    if (waited >= kCloseWaitMilliseconds ||
        !CloseAndWait(window, kCloseWaitMilliseconds - waited)) {
      return false;
    }
  }
  return true;
}
