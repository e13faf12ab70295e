#include "tests/driver/page.h"

#include <string>

#include "tests/driver/screen_capture.h"
#include "tests/driver/window_query.h"

namespace {

// Key messages as the keyboard sends them: repeat count 1, Esc's scan code 1.
constexpr LPARAM kEscapeDown = 0x00010001;
constexpr LPARAM kEscapeUp = static_cast<LPARAM>(0xC0010001u);

// The message box's text control has this id on Windows and on Wine.
constexpr int kMessageTextId = 0xFFFF;

bool ShowsIcon(HWND control, LPCSTR systemIcon) {
  RECT area = {};
  GetWindowRect(control, &area);
  const Pixels shown = CaptureScreen(area);
  const Pixels expected = DrawIconPixels(LoadIconA(nullptr, systemIcon), shown.width,
                                         shown.height, shown.At(0, 0));
  return shown.rows == expected.rows;
}

}  // namespace

std::wstring Page::Caption() const { return WindowCaption(window_); }

bool Page::IsOpen() const { return IsWindow(window_) != FALSE; }

bool Page::Answers() const {
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &result) != 0;
}

HWND Page::Control(int id) const {
  const HWND control = GetDlgItem(window_, id);
  if (control == nullptr) {
    throw DriverError("page '" + Utf8(Caption()) + "' has no control " + std::to_string(id));
  }
  return control;
}

std::vector<int> Page::ControlIds() const {
  std::vector<int> ids;
  for (HWND child = GetWindow(window_, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    ids.push_back(GetDlgCtrlID(child));
  }
  return ids;
}

LONG Page::ControlStyle(int id) const { return GetWindowLongW(Control(id), GWL_STYLE); }

RECT Page::ControlRect(int id) const {
  RECT rect = {};
  GetWindowRect(Control(id), &rect);
  MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

std::wstring Page::Text(int id) const { return ControlText(Control(id)); }

void Page::SetText(int id, const std::wstring& text) const {
  SendWithin(Control(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

bool Page::IsChecked(int id) const {
  return SendWithin(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Page::SetChecked(int id, bool checked) const {
  if (IsChecked(id) == checked) return;
  Click(id);
  if (!WaitUntil([&] { return IsChecked(id) == checked; }, kControlTimeout)) {
    throw DriverError("check box " + std::to_string(id) + " on '" + Utf8(Caption()) +
                      "' did not change when clicked");
  }
}

void Page::Click(int id) const { PostMessageW(Control(id), BM_CLICK, 0, 0); }

void Page::PressEscape() const {
  GUITHREADINFO input = {};
  input.cbSize = sizeof input;
  HWND target = window_;
  if (GetGUIThreadInfo(GetWindowThreadProcessId(window_, nullptr), &input) &&
      input.hwndFocus != nullptr && IsChild(window_, input.hwndFocus)) {
    target = input.hwndFocus;
  }
  PostMessageW(target, WM_KEYDOWN, VK_ESCAPE, kEscapeDown);
  PostMessageW(target, WM_KEYUP, VK_ESCAPE, kEscapeUp);
}

void Page::WaitClosed(std::chrono::milliseconds timeout) const {
  const std::string caption = Utf8(Caption());
  if (!WaitUntil([&] { return !IsOpen(); }, timeout)) {
    throw DriverError("page '" + caption + "' is still open after " +
                      std::to_string(timeout.count()) + " ms");
  }
}

void Page::Capture(const std::wstring& path) const {
  RECT rect = {};
  GetWindowRect(window_, &rect);
  SaveBitmapFile(CaptureScreen(rect), path);
}

std::wstring MessageBoxWindow::Message() const { return Text(kMessageTextId); }

bool MessageBoxWindow::ShowsStopIcon() const {
  // Icon handles are private to each process, so the pixels are compared with
  // the stop icon drawn here; the box may not have painted itself yet.
  const HWND icon = IconControl(Window());
  return icon != nullptr && IsWindowVisible(icon) &&
         WaitUntil([&] { return ShowsIcon(icon, IDI_HAND); }, kControlTimeout);
}
