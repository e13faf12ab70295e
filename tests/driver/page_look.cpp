#include "tests/driver/page_look.h"

#include <utility>

#include "tests/driver/driver_common.h"
#include "tests/driver/window_query.h"

namespace {

// The rectangle of `units` (left, top, width, height in dialog units) in the
// page's client coordinates: the page's 160x103 units fill its client area.
RECT FromDialogUnits(const Page& page, const RECT& units) {
  RECT client = {};
  GetClientRect(page.Window(), &client);
  const int baseX = (client.right * 4 + 80) / 160;
  const int baseY = (client.bottom * 8 + 51) / 103;
  const RECT pixels = {MulDiv(units.left, baseX, 4), MulDiv(units.top, baseY, 8),
                       MulDiv(units.left + units.right, baseX, 4),
                       MulDiv(units.top + units.bottom, baseY, 8)};
  return pixels;
}

LONG Area(const RECT& rect) { return (rect.right - rect.left) * (rect.bottom - rect.top); }

}  // namespace

Pixels CaptureInPage(const Page& page, RECT rect) {
  MapWindowPoints(page.Window(), nullptr, reinterpret_cast<POINT*>(&rect), 2);
  Pixels shown = CaptureScreen(rect);
  for (int reading = 0; reading < 40; ++reading) {
    Sleep(50);
    Pixels again = CaptureScreen(rect);
    const bool settled = again.rows == shown.rows;
    shown = std::move(again);
    if (settled && Area(InkExtent(shown, GetSysColor(COLOR_BTNFACE))) > 0) break;
  }
  return shown;
}

PageLook LookOf(const Page& page) {
  PageLook look;
  RECT client = {};
  GetClientRect(page.Window(), &client);
  look.client = {client.right, client.bottom};
  const RECT frame = FromDialogUnits(page, {4, 60, 85, 38});
  const Pixels shown = CaptureInPage(page, frame);
  const RECT picture = InkExtent(shown, GetSysColor(COLOR_BTNFACE));
  look.pictureShare = static_cast<double>(Area(picture)) / Area(frame);
  look.pictureColours = ColourCount(shown, picture);
  return look;
}

std::vector<std::string> TextsCutOff(const Page& page, int dpi) {
  const ScopedGdiObject font(CreateFontW(-MulDiv(8, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE,
                                         FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                         CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                                         L"MS Sans Serif"));
  const ScopedMemoryDc dc(CreateCompatibleDC(nullptr));
  SelectObject(dc.Get(), font.Get());
  std::vector<std::string> cutOff;
  for (HWND child = GetWindow(page.Window(), GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    const LONG type = GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK;
    if (_wcsicmp(WindowClass(child).c_str(), L"Static") != 0 ||
        (type != SS_LEFT && type != SS_CENTER)) {
      continue;
    }
    const std::wstring text = ControlText(child);
    RECT control = {};
    GetClientRect(child, &control);
    RECT needed = control;
    DrawTextW(dc.Get(), text.c_str(), -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS);
    if (needed.right > control.right || needed.bottom > control.bottom) {
      cutOff.push_back("\"" + Utf8(text) + "\" needs " + std::to_string(needed.right) + "x" +
                       std::to_string(needed.bottom) + ", has " + std::to_string(control.right) +
                       "x" + std::to_string(control.bottom));
    }
  }
  return cutOff;
}
