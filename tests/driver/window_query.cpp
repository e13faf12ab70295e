#include "tests/driver/window_query.h"

#include "tests/driver/driver_common.h"

namespace {

struct ProcessWindowSearch {
  DWORD processId;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectProcessWindow(HWND window, LPARAM search) {
  auto* const wanted = reinterpret_cast<ProcessWindowSearch*>(search);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == wanted->processId && IsWindowVisible(window)) wanted->found.push_back(window);
  return TRUE;
}

}  // namespace

std::wstring WindowCaption(HWND window) {
  wchar_t caption[512] = L"";
  GetWindowTextW(window, caption, static_cast<int>(sizeof caption / sizeof caption[0]));
  return caption;
}

std::wstring WindowClass(HWND window) {
  wchar_t name[256] = L"";
  GetClassNameW(window, name, static_cast<int>(sizeof name / sizeof name[0]));
  return name;
}

LRESULT SendWithin(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  DWORD_PTR result = 0;
  const auto timeout = static_cast<UINT>(kControlTimeout.count());
  if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, timeout, &result)) {
    throw DriverError("window " + std::to_string(reinterpret_cast<UINT_PTR>(window)) +
                      " did not answer message " + std::to_string(message));
  }
  return static_cast<LRESULT>(result);
}

std::wstring ControlText(HWND control) {
  const auto length = static_cast<size_t>(SendWithin(control, WM_GETTEXTLENGTH, 0, 0));
  std::wstring text(length + 1, L'\0');
  const auto copied = static_cast<size_t>(
      SendWithin(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0])));
  text.resize(copied < length ? copied : length);
  return text;
}

HWND IconControl(HWND dialog) {
  for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    if (WindowClass(child) == L"Static" &&
        (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
      return child;
    }
  }
  return nullptr;
}

std::vector<HWND> VisibleTopLevelWindows(DWORD processId) {
  ProcessWindowSearch search{processId, {}};
  EnumWindows(CollectProcessWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::string DescribeWindows(const std::vector<HWND>& windows) {
  if (windows.empty()) return "no visible window";
  std::string description;
  for (HWND window : windows) {
    if (!description.empty()) description += ", ";
    description += "'" + Utf8(WindowCaption(window)) + "' (" + Utf8(WindowClass(window)) + ")";
  }
  return description;
}
