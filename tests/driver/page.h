// One dialog window of the setup, worked from outside as a user would: read its
// controls, type into its edit, tick its check boxes, press its buttons and Esc.
#pragma once

#include <windows.h>

#include <chrono>
#include <string>
#include <vector>

#include "tests/driver/driver_common.h"

class Page {
 public:
  explicit Page(HWND window) : window_(window) {}

  HWND Window() const { return window_; }
  std::wstring Caption() const;
  // False once the dialog window has been destroyed.
  bool IsOpen() const;
  // Whether the page's thread takes a message within a second: one that does not
  // for five is called "Not responding" by the system.
  bool Answers() const;

  // The page's control with dialog id `id`; throws DriverError when there is none.
  HWND Control(int id) const;
  // Dialog ids of the page's own controls, in tab order (-1 reads as 65535).
  std::vector<int> ControlIds() const;
  LONG ControlStyle(int id) const;
  // The control's rectangle in the page's client coordinates.
  RECT ControlRect(int id) const;

  std::wstring Text(int id) const;
  void SetText(int id, const std::wstring& text) const;
  bool IsChecked(int id) const;
  // Clicks the check box when its state differs and waits until it has changed.
  void SetChecked(int id, bool checked) const;

  // Posts the click, so that a long OK handler does not block the driver.
  void Click(int id) const;
  // Esc on the focused control; the dialog turns it into command 2 (IDCANCEL).
  void PressEscape() const;
  void WaitClosed(std::chrono::milliseconds timeout = kPageTimeout) const;

  // Saves the window's pixels as seen on the screen, as a 24-bit .bmp file.
  void Capture(const std::wstring& path) const;

 private:
  HWND window_;
};

// A message box of the setup: its text, its icon and its OK button.
class MessageBoxWindow : public Page {
 public:
  using Page::Page;

  std::wstring Message() const;
  // True when the box shows the system's stop (hand) icon.
  bool ShowsStopIcon() const;
  void PressOk() const { Click(IDOK); }
};
