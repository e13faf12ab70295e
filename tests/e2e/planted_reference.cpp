// The planted-DLL test's reference program: it imports the system DLLs the
// setup may import (known DLLs of Windows, the common controls through the
// setup's own manifest) and the C runtime's, which no test plants; it
// restricts its DLL search first as the setup does, shows one window and ends.
// Whatever planted DLL it loads, Wine's own DLLs load whatever a program does.
// Exit code 0: it got through.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <oleauto.h>
#include <shellapi.h>

#include "setup/scoped.h"
#include "setup/system_paths.h"

int WINAPI WinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPSTR /*command*/,
                   int /*show*/) {
  RestrictLibrarySearch();
  InitCommonControls();
  const HWND window = CreateWindowExW(0, WC_BUTTONW, L"reference", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                      0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
  SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
               TRUE);
  DragAcceptFiles(window, FALSE);
  CoTaskMemFree(nullptr);
  SysFreeString(nullptr);
  ScopedRegKey key;
  RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, key.Receive());
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  DestroyWindow(window);
  return 0;
}
