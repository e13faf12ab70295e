// Reading other processes' windows: captions, classes, texts, and the visible
// top-level windows that belong to one process.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

std::wstring WindowCaption(HWND window);
std::wstring WindowClass(HWND window);

// The text of a control in another process, asked with WM_GETTEXT.
std::wstring ControlText(HWND control);

// SendMessageTimeoutW that throws DriverError when the window does not answer,
// so that a busy page cannot hang the driver.
LRESULT SendWithin(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The static control of `dialog` that shows an icon, or null.
HWND IconControl(HWND dialog);

// Visible top-level windows of `processId`, in Z order.
std::vector<HWND> VisibleTopLevelWindows(DWORD processId);

// "'caption' (class)" for each window, for failure messages.
std::string DescribeWindows(const std::vector<HWND>& windows);
